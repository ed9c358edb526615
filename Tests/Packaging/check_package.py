#!/usr/bin/env python3
"""Checks the Windows packages of the 32-bit build: the ZIP and the installer are named after the
project's version, the ZIP holds every shipped file, each program in it is a 32-bit (i386) Windows
executable whose version information says that version, and the installer is a 32-bit Windows
executable too. Usage: check_package.py BUILD_DIR (after cpack ran there)"""
import os
import re
import struct
import sys
import zipfile

EXPECTED = ["brelo.exe", "brelo-batch.exe", "jpconv.exe", "hashmd5.exe", "BRELO.ini", "README.md",
            "Samples/haiku-sjis.txt", "Samples/letter-euc.txt", "Samples/kana-sjis.txt", "Output/"]
PROGRAMS = ["brelo.exe", "brelo-batch.exe", "jpconv.exe", "hashmd5.exe"]
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


def main(build_dir):
    results = []

    def check(label, ok):
        results.append(ok)
        print(("ok    " if ok else "FAIL  ") + label)

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
        for name in EXPECTED:
            check(f"archive holds {name}", name in names)
        for name in PROGRAMS:
            if name not in names:
                continue
            data = archive.read(name)
            check(f"{name} is a 32-bit Windows program", pe_machine(data) == I386)
            check(f"{name} says version {version}",
                  version_string(data, "FileVersion") == version and
                  version_string(data, "ProductVersion") == version)
        ini = archive.read("BRELO.ini").decode("latin-1") if "BRELO.ini" in names else ""
        check("starter settings name converters by relative path",
              "ExeFile=.\\hashmd5.exe" in ini and "ExeFile=.\\jpconv.exe" in ini)
    with open(installer_path, "rb") as f:
        check("installer is a 32-bit Windows program", pe_machine(f.read(4096)) == I386)

    failed = results.count(False)
    print(f"{len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
