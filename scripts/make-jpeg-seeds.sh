#!/usr/bin/env bash
# Writes small JPEG files of every kind the JPEG fuzzer should start from:
# baseline with 4:2:0 and 4:4:4 sampling, progressive, greyscale, restart
# markers, arithmetic coding, and (with ImageMagick) CMYK.
# Usage: make-jpeg-seeds.sh OUTDIR
set -euo pipefail
out=$1
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work" <<'PY'
import sys
w, h = 19, 13
rgb = bytes(v for y in range(h) for x in range(w) for v in (x * 13 % 256, y * 19 % 256, (x * y) % 256))
open(sys.argv[1] + "/in.ppm", "wb").write(b"P6 %d %d 255\n" % (w, h) + rgb)
open(sys.argv[1] + "/in.pgm", "wb").write(b"P5 %d %d 255\n" % (w, h) + rgb[::3])
PY
cjpeg -quality 75 -outfile "$out/baseline_420.jpg" "$work/in.ppm"
cjpeg -quality 90 -sample 1x1 -optimize -outfile "$out/baseline_444.jpg" "$work/in.ppm"
cjpeg -progressive -outfile "$out/progressive.jpg" "$work/in.ppm"
cjpeg -grayscale -outfile "$out/grey.jpg" "$work/in.pgm"
cjpeg -restart 1 -outfile "$out/restart.jpg" "$work/in.ppm"
cjpeg -arithmetic -outfile "$out/arithmetic.jpg" "$work/in.ppm"
if command -v convert >/dev/null; then
  convert "$work/in.ppm" -colorspace CMYK -quality 80 "$out/cmyk.jpg"
fi
