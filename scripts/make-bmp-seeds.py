#!/usr/bin/env python3
"""Writes a handful of tiny BMP files (every depth, RLE8, core header, top-down)
as the BMP fuzzer's seed corpus. Usage: make-bmp-seeds.py OUTDIR"""
import struct, sys, os

def bmp(w, h, bits, comp=0, table=b"", pixels=b"", core=False, used=0):
    if core:
        hdr = struct.pack("<IHHHH", 12, w, h, 1, bits)
    else:
        hdr = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, comp, len(pixels), 39, 39, used, 0)
    off = 14 + len(hdr) + len(table)
    return b"BM" + struct.pack("<IHHI", off + len(pixels), 0, 0, off) + hdr + table + pixels

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
grey = b"".join(bytes([i, i, i, 0]) for i in range(256))
seeds = {
    "1bit.bmp": bmp(9, 2, 1, table=b"\0\0\0\0\xff\xff\xff\0", pixels=b"\xaa\x80\0\0" * 2),
    "4bit.bmp": bmp(3, 2, 4, table=grey[:64], pixels=b"\x12\x30\0\0" * 2),
    "8bit_used16.bmp": bmp(2, 1, 8, table=grey[:64], pixels=b"\x0f\x01\0\0", used=16),
    "16bit.bmp": bmp(2, 1, 16, pixels=b"\xff\x7f\x00\x7c"),
    "16bit_fields.bmp": bmp(2, 1, 16, comp=3, table=struct.pack("<III", 0xF800, 0x7E0, 0x1F), pixels=b"\xff\xff\xe0\x07"),
    "24bit_topdown.bmp": bmp(1, -2, 24, pixels=b"\xff\0\0\0\0\0\xff\0"),
    "32bit.bmp": bmp(1, 1, 32, pixels=b"\1\2\3\4"),
    "rle8.bmp": bmp(4, 3, 8, comp=1, table=grey, pixels=bytes([0, 3, 10, 11, 12, 0, 1, 13, 0, 0, 0, 2, 2, 1, 2, 14, 0, 1])),
    "core.bmp": bmp(1, 1, 1, table=b"\1\2\3\4\5\6", pixels=b"\x80\0\0\0", core=True),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
