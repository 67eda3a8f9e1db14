#!/usr/bin/env python3
"""Writes a small three-section PE image that stands in for a launcher stub in benchmarks."""
import struct
import sys

PE = 0x80
OPT = 0xF0
sections = [(0x400, 0x600), (0xA00, 0x100), (0xB00, 0x100)]
image = bytearray(0xC00)
image[0:2] = b"MZ"
struct.pack_into("<I", image, 60, PE)
image[PE:PE + 4] = b"PE\0\0"
struct.pack_into("<HH", image, PE + 4, 0x8664, len(sections))
struct.pack_into("<HH", image, PE + 20, OPT, 0x22)
struct.pack_into("<H", image, PE + 24, 0x20B)
struct.pack_into("<I", image, PE + 24 + 108, 16)
for i, (offset, size) in enumerate(sections):
    h = PE + 24 + OPT + 40 * i
    image[h:h + 8] = [b".text\0\0\0", b".data\0\0\0", b".rsrc\0\0\0"][i]
    struct.pack_into("<IIII", image, h + 8, size, 0x1000 * (i + 1), size, offset)
with open(sys.argv[1], "wb") as out:
    out.write(image)
