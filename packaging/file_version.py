#!/usr/bin/env python3
"""The version of a Windows file (major.minor.build.revision of its VS_FIXEDFILEINFO), printed,
or nothing when it has no version resource.

Usage: file_version.py FILE
"""
import struct
import sys
from pathlib import Path

SIGNATURE = struct.pack("<I", 0xFEEF04BD)  # VS_FIXEDFILEINFO.dwSignature


def file_version(path):
    """The file's version as the installer writes it, or None."""
    data = Path(path).read_bytes()
    at = data.find(SIGNATURE)
    if at < 0:
        return None
    most, least = struct.unpack_from("<II", data, at + 8)
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


if __name__ == "__main__":
    print(file_version(sys.argv[1]) or "")
