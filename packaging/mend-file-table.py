#!/usr/bin/env python3
"""Fills the Version and Language columns of an exported File table (File.idt) from the version
resources of the staged files, which wixl leaves empty. The installer then replaces a file by its
version, as it does for versioned files, instead of by its date. kqcsp.wxs names each file's
source as $(var.BinDir)/NAME (the 64-bit build, staged in STAGE_DIR/x64) or $(var.BinDir32)/NAME
(the 32-bit one, in STAGE_DIR/x86).

Usage: mend-file-table.py File.idt STAGE_DIR kqcsp.wxs
"""
import re
import sys
from pathlib import Path

from file_version import file_version

FOLDERS = {"BinDir": "x64", "BinDir32": "x86"}


def staged_files(wxs, stage):
    """The staged file of each File Id of the package."""
    files = {}
    for match in re.finditer(r'<File Id="([^"]+)"[^>]*?Source="\$\(var\.(\w+)\)/([^"]+)"', wxs):
        identifier, variable, name = match.groups()
        files[identifier] = stage / FOLDERS[variable] / name
    return files


def main():
    table, stage, wxs = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3])
    files = staged_files(wxs.read_text(), stage)
    lines = table.read_text().split("\n")
    for index, line in enumerate(lines[3:], start=3):  # three header lines
        columns = line.split("\t")
        if len(columns) < 8:
            continue
        version = file_version(files[columns[0]])
        if version is None:
            sys.exit(f"mend-file-table: {files[columns[0]]} has no version resource")
        columns[4] = version
        columns[5] = "1033"
        lines[index] = "\t".join(columns)
    table.write_text("\n".join(lines))


if __name__ == "__main__":
    main()
