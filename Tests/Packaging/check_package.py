#!/usr/bin/env python3
"""Checks the Windows packages of the 32-bit build: the ZIP holds every shipped file and the user's
guide but not the developers' README; each program in it is a 32-bit (i386) Windows executable
with version information and a manifest that runs it with its caller's rights (asInvoker); the
installer is a 32-bit Windows executable that asks for no administrator rights itself. When the
installer's staging folder from cpack is there, its files are checked as the ZIP's are. Both are
named after the project's version, which every program's version information says too.
Usage: check_package.py BUILD_DIR (after cpack ran there)"""
import os
import pathlib
import re
import struct
import sys
import zipfile

EXPECTED = ["brelo.exe", "brelo-batch.exe", "jpconv.exe", "hashmd5.exe", "BRELO.ini",
            "user-guide.txt", "Samples/haiku-sjis.txt", "Samples/letter-euc.txt",
            "Samples/kana-sjis.txt", "Output/"]
NOT_SHIPPED = ["README.md"]
PROGRAMS = ["brelo.exe", "brelo-batch.exe", "jpconv.exe", "hashmd5.exe"]
GUIDE = "user-guide.txt"
# What the user's guide must explain, and what only the developers need.
GUIDE_TOPICS = ["brelo-batch", "BRELO.ini", "Exit codes", "jpconv", "hashmd5", "Run / Stop"]
DEVELOPER_WORDS = ["cmake", "apt-get", "Debian", "Wine", "ctest"]
I386 = 0x14C
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def project_version():
    """The version in the top CMakeLists.txt's project() call."""
    with open(os.path.join(SOURCE, "CMakeLists.txt"), encoding="utf-8") as f:
        found = re.search(r"project\(Brelo VERSION ([0-9.]+)", f.read())
    return found.group(1) if found else None


def version_string(data, key):
    """The value of a StringFileInfo entry of a version resource, or None. The key and the value
    are NUL-ended UTF-16; the value starts at the next 4-byte boundary."""
    needle = (key + "\0").encode("utf-16-le")
    at = data.find(needle)
    if at < 0:
        return None
    start = at + len(needle)
    start += (4 - start % 4) % 4
    end = start
    while end + 1 < len(data) and data[end:end + 2] != b"\0\0":
        end += 2
    return data[start:end].decode("utf-16-le", "replace")


def pe_machine(data):
    """The COFF machine field of a PE image, or None when the bytes are no PE image."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def manifests(data):
    """The application manifests embedded in an executable's bytes (resources keep them as
    plain UTF-8 text)."""
    return [m.group(0).decode("utf-8", "replace")
            for m in re.finditer(rb"<assembly\b.*?</assembly>", data, re.DOTALL)]


def execution_level(manifest):
    """The requestedExecutionLevel a manifest declares inside its trustInfo, or None."""
    trust = re.search(r"<(?:\w+:)?trustInfo\b.*?</(?:\w+:)?trustInfo>", manifest, re.DOTALL)
    if not trust:
        return None
    level = re.search(r"<(?:\w+:)?requestedExecutionLevel\b[^>]*\blevel=\"([^\"]+)\"",
                      trust.group(0))
    return level.group(1) if level else None


def staging_folder(installer_path):
    """The folder cpack filled for the installer, when it is still there."""
    installer = pathlib.Path(installer_path)
    for folder in installer.parent.glob(f"_CPack_Packages/*/NSIS/{installer.stem}"):
        if folder.is_dir():
            return folder
    return None


def main(build_dir):
    results = []

    def check(label, ok):
        results.append(ok)
        print(("ok    " if ok else "FAIL  ") + label)

    def check_contents(where, names, read):
        for name in EXPECTED:
            check(f"{where} holds {name}", name in names)
        for name in NOT_SHIPPED:
            check(f"{where} does not hold {name}", name not in names)
        if GUIDE in names:
            guide = read(GUIDE).decode("utf-8")
            check(f"{where}: the user's guide explains " + ", ".join(GUIDE_TOPICS),
                  all(topic in guide for topic in GUIDE_TOPICS))
            found = [w for w in DEVELOPER_WORDS if re.search(rf"\b{w}\b", guide, re.IGNORECASE)]
            check(f"{where}: the user's guide has no developers' matters {found}", not found)
        for name in PROGRAMS:
            if name not in names:
                continue
            data = read(name)
            check(f"{where}: {name} is a 32-bit Windows program", pe_machine(data) == I386)
            check(f"{where}: {name} says version {version}",
                  version_string(data, "FileVersion") == version and
                  version_string(data, "ProductVersion") == version)
            levels = [execution_level(m) for m in manifests(data)]
            check(f"{where}: {name} has one manifest, declaring asInvoker (found {levels})",
                  levels == ["asInvoker"])

    version = project_version()
    check("the top CMakeLists.txt names the version", version is not None)
    zip_path = os.path.join(build_dir, f"Brelo-{version}-i686.zip")
    installer_path = os.path.join(build_dir, f"Brelo-{version}-i686.exe")
    check(f"the archive is named after version {version}", os.path.isfile(zip_path))
    check(f"the installer is named after version {version}", os.path.isfile(installer_path))
    if not os.path.isfile(zip_path) or not os.path.isfile(installer_path):
        failed = results.count(False)
        print(f"{len(results) - failed} passed, {failed} failed")
        return 1

    with zipfile.ZipFile(zip_path) as archive:
        names = set(archive.namelist())
        check_contents("archive", names, archive.read)
        ini = archive.read("BRELO.ini").decode("latin-1") if "BRELO.ini" in names else ""
        check("starter settings name converters by relative path",
              "ExeFile=.\\hashmd5.exe" in ini and "ExeFile=.\\jpconv.exe" in ini)

    with open(installer_path, "rb") as f:
        installer = f.read()
    check("installer is a 32-bit Windows program", pe_machine(installer[:4096]) == I386)
    levels = [execution_level(m) for m in manifests(installer)]
    check(f"installer asks for no administrator rights (found {levels})", levels == ["asInvoker"])

    staged = staging_folder(installer_path)
    if staged:
        names = {p.relative_to(staged).as_posix() + ("/" if p.is_dir() else "")
                 for p in staged.rglob("*")}
        check_contents("installer", names, lambda name: (staged / name).read_bytes())
    else:
        print("note  the installer's staging folder is gone: its files are not checked")

    failed = results.count(False)
    print(f"{len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
