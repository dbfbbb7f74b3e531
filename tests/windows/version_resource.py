"""Checks the four numbers of a Windows program's version resource.

Usage: version_resource.py <program.exe> <a.b.c.d>. Exit status 0 when the file carries them.
"""

import struct
import sys


def file_version(path):
    """The file version of the fixed file information: after the signature 0xFEEF04BD come the
    structure version and the version's high and low double words. None without one."""
    with open(path, "rb") as f:
        data = f.read()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    high, low = struct.unpack_from("<II", data, at + 8)
    return "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)


def main():
    path, expected = sys.argv[1], sys.argv[2]
    found = file_version(path)
    if found != expected:
        sys.exit("%s: version resource %s, expected %s" % (path, found or "missing", expected))
    print("%s: version resource %s" % (path, found))


if __name__ == "__main__":
    main()
