#!/usr/bin/env python3
"""Checks the Windows packages of the 32-bit build: the ZIP holds every shipped file, each program
in it is a 32-bit (i386) Windows executable with version information, and the installer is a
32-bit Windows executable too. Usage: check_package.py ZIP INSTALLER"""
import struct
import sys
import zipfile

EXPECTED = ["brelo.exe", "jpconv.exe", "hashmd5.exe", "BRELO.ini", "README.md",
            "Samples/haiku-sjis.txt", "Samples/letter-euc.txt", "Samples/kana-sjis.txt", "Output/"]
PROGRAMS = ["brelo.exe", "jpconv.exe", "hashmd5.exe"]
I386 = 0x14C


def pe_machine(data):
    """The COFF machine field of a PE image, or None when the bytes are no PE image."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def main(zip_path, installer_path):
    results = []

    def check(label, ok):
        results.append(ok)
        print(("ok    " if ok else "FAIL  ") + label)

    with zipfile.ZipFile(zip_path) as archive:
        names = set(archive.namelist())
        for name in EXPECTED:
            check(f"archive holds {name}", name in names)
        for name in PROGRAMS:
            if name not in names:
                continue
            data = archive.read(name)
            check(f"{name} is a 32-bit Windows program", pe_machine(data) == I386)
            check(f"{name} carries version information", "FileVersion".encode("utf-16-le") in data)
        ini = archive.read("BRELO.ini").decode("latin-1") if "BRELO.ini" in names else ""
        check("starter settings name converters by relative path",
              "ExeFile=.\\hashmd5.exe" in ini and "ExeFile=.\\jpconv.exe" in ini)
    with open(installer_path, "rb") as f:
        check("installer is a 32-bit Windows program", pe_machine(f.read(4096)) == I386)

    failed = results.count(False)
    print(f"{len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
