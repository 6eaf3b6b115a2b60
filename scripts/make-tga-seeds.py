#!/usr/bin/env python3
"""Writes a handful of tiny Targa files (every image type and depth we read, plain
and run-length, both origins, a colour map) as the Targa fuzzer's seed corpus.
Usage: make-tga-seeds.py OUTDIR"""
import struct, sys, os

def tga(kind, w, h, bits, pixels, descriptor=0x20, cmap=b"", image_id=b""):
    entries = len(cmap) // 3
    header = struct.pack("<BBBHHBHHHHBB", len(image_id), 1 if cmap else 0, kind, 0, entries,
                         24 if cmap else 0, 0, 0, w, h, bits, descriptor)
    return header + image_id + cmap + pixels

ramp = bytes(range(0, 256, 16)) * 3
seeds = {
    "mapped.tga": tga(1, 4, 2, 8, bytes([0, 1, 2, 3, 15, 14, 13, 12]), cmap=ramp[:48]),
    "rgb16_bottom_up.tga": tga(2, 2, 2, 16, struct.pack("<4H", 0x7FFF, 0x0001, 0x7C00, 0x03E0), descriptor=0),
    "rgb15.tga": tga(2, 2, 1, 15, struct.pack("<2H", 0x1234, 0x4321)),
    "rgb24_id.tga": tga(2, 2, 2, 24, bytes(range(12)), image_id=b"seed"),
    "rgb32_top_right.tga": tga(2, 1, 2, 32, bytes(range(16)), descriptor=0x38),
    "grey.tga": tga(3, 3, 2, 8, bytes([0, 50, 100, 150, 200, 250])),
    "rle_mapped.tga": tga(9, 5, 2, 8, bytes([0x84, 7, 0x04, 1, 2, 3, 4, 5]), cmap=ramp[:48]),
    "rle_rgb24_across_rows.tga": tga(10, 3, 3, 24, bytes([0x87, 1, 2, 3, 0x00, 4, 5, 6]), descriptor=0),
    "rle_rgb16.tga": tga(10, 4, 1, 16, bytes([0x81, 0xFF, 0x7F, 0x01, 0x01, 0x00, 0x00, 0x7C])),
    "rle_grey.tga": tga(11, 4, 2, 8, bytes([0x83, 9, 0x03, 1, 2, 3, 4])),
}
out = sys.argv[1]
os.makedirs(out, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
