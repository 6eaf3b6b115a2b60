#!/usr/bin/env python3
"""Writes small MNG files as the MNG fuzzer's seed corpus: palette frames that
take the global PLTE and tRNS (empty PLTE, no PLTE, own tRNS), truecolour and
grey frames, an interlaced frame, a JNG frame around a JPEG seed, and every
control chunk the reader acts on (TERM, DEFI, FRAM, tEXt, zTXt).
Usage: make-mng-seeds.py OUTDIR [JPEG]"""
import os, struct, sys, zlib

def chunk(kind, data=b""):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)

def png(w, h, depth, ctype, rows, extra=b"", interlace=0):
    ihdr = struct.pack(">IIBBBBB", w, h, depth, ctype, 0, 0, interlace)
    raw = b"".join(b"\0" + r for r in rows)
    return chunk(b"IHDR", ihdr) + extra + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND")

def mng(body, w=4, h=3, ticks=100, profile=1 | 2 | 8):
    mhdr = struct.pack(">IIIIIII", w, h, ticks, 0, 0, 0, profile)
    return b"\x8aMNG\r\n\x1a\n" + chunk(b"MHDR", mhdr) + body + chunk(b"MEND")

def fram(mode, change=0, delay=0):
    return chunk(b"FRAM", bytes([mode, 0, change, 0, 0, 0]) + struct.pack(">I", delay))

def defi(x, y):
    return chunk(b"DEFI", struct.pack(">HBBii", 0, 0, 0, x, y))

def term(action, delay, most):
    return chunk(b"TERM", bytes([action, 0]) + struct.pack(">II", delay, most))

out = sys.argv[1]
jpeg_path = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "../fuzz/corpus/jpeg_reader/baseline_420.jpg")
os.makedirs(out, exist_ok=True)
plte = chunk(b"PLTE", bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9]))
rows2 = [b"\x1b\x00", b"\xe4\x40", b"\x00\xff"]  # 2-bit indices, 5 wide
with open(jpeg_path, "rb") as f:
    jpeg = f.read()
sof = jpeg.find(b"\xff\xc0")
jh, jw = struct.unpack(">HH", jpeg[sof + 5 : sof + 9])
seeds = {
    "global_palette.mng": mng(term(3, 50, 0x7fffffff) + plte + chunk(b"tRNS", b"\xff\x00") +
                              fram(1, 2, 250) + png(5, 3, 2, 3, rows2, chunk(b"PLTE")) +
                              defi(1, 1) + fram(3, 1, 40) + png(5, 3, 2, 3, rows2) +
                              png(5, 3, 2, 3, rows2, chunk(b"PLTE") + chunk(b"tRNS", b"\x00")), 6, 4, 1000),
    "own_palette_texts.mng": mng(chunk(b"tEXt", b"Title\0Walk") +
                                 chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"a" * 40)) +
                                 chunk(b"BACK", bytes(6)) +
                                 png(5, 3, 2, 3, rows2, plte + chunk(b"tEXt", b"Frame\0one")) +
                                 chunk(b"FRAM", b"\x04name\0\x02\0\0\0" + struct.pack(">I", 7))),
    "truecolour_grey.mng": mng(png(2, 2, 8, 2, [bytes(6), bytes(range(6))], chunk(b"gAMA", struct.pack(">I", 45455))) +
                               png(3, 1, 4, 0, [b"\x12\x30"], chunk(b"tRNS", b"\x00\x01")) +
                               png(1, 1, 8, 6, [b"\x10\x20\x30\x80"], interlace=1), ticks=0),
    "jng.mng": mng(defi(0, 0) + chunk(b"JHDR", struct.pack(">IIBBBBBBBB", jw, jh, 10, 8, 8, 0, 0, 0, 0, 0)) +
                   chunk(b"tEXt", b"Note\0jng") + chunk(b"JDAT", jpeg[: len(jpeg) // 2]) +
                   chunk(b"JDAT", jpeg[len(jpeg) // 2 :]) + chunk(b"IEND"), jw, jh, profile=1 | 2 | 16),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
