#!/usr/bin/env python3
"""Fills the Version and Language columns of an exported File table (File.idt) from the version
resources of the files in STAGE_DIR, which wixl leaves empty. The installer then replaces a
file by its version, as it does for versioned files, instead of by its date.

Usage: mend-file-table.py File.idt STAGE_DIR
"""
import struct
import sys
from pathlib import Path

SIGNATURE = struct.pack("<I", 0xFEEF04BD)  # VS_FIXEDFILEINFO.dwSignature


def file_version(path):
    data = path.read_bytes()
    at = data.find(SIGNATURE)
    if at < 0:
        sys.exit(f"mend-file-table: {path.name} has no version resource")
    most, least = struct.unpack_from("<II", data, at + 8)
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def main():
    table, stage = Path(sys.argv[1]), Path(sys.argv[2])
    lines = table.read_text().split("\n")
    for index, line in enumerate(lines[3:], start=3):  # three header lines
        columns = line.split("\t")
        if len(columns) < 8:
            continue
        columns[4] = file_version(stage / columns[2].split("|")[-1])
        columns[5] = "1033"
        lines[index] = "\t".join(columns)
    table.write_text("\n".join(lines))


if __name__ == "__main__":
    main()
