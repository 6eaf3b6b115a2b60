#!/usr/bin/env python3
"""Writes small PNG files (every colour type, low and high depths, interlaced,
tRNS, bKGD, gAMA, text chunks) as the PNG fuzzer's seed corpus.
Usage: make-png-seeds.py OUTDIR"""
import os, struct, sys, zlib

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)

def png(w, h, depth, ctype, rows, extra=b"", interlace=0):
    ihdr = struct.pack(">IIBBBBB", w, h, depth, ctype, 0, 0, interlace)
    raw = b"".join(b"\0" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
plte = chunk(b"PLTE", bytes(range(48)))
seeds = {
    "grey1.png": png(9, 2, 1, 0, [b"\xaa\x80", b"\x55\x00"]),
    "grey16_bkgd.png": png(2, 1, 16, 0, [b"\x12\x34\xff\xff"], chunk(b"bKGD", b"\x80\x00")),
    "greyalpha.png": png(2, 1, 8, 4, [b"\x10\x00\xf0\x80"]),
    "palette4_trns.png": png(3, 2, 4, 3, [b"\x01\x20", b"\x34\x50"], plte + chunk(b"tRNS", b"\xff\x00\x80")),
    "rgb_gamma_text.png": png(2, 2, 8, 2, [bytes(6), bytes(range(6))],
                              chunk(b"gAMA", struct.pack(">I", 100000)) + chunk(b"tEXt", b"Title\0hello") +
                              chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"a" * 40))),
    "rgba16.png": png(1, 2, 16, 6, [bytes(8), b"\xff" * 8]),
    "rgb_interlaced.png": png(1, 1, 8, 2, [b"\x01\x02\x03"], interlace=1),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
