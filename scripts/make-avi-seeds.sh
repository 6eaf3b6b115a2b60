#!/usr/bin/env bash
# Writes small AVI files with our own writer as the AVI fuzzer's seed corpus:
# 8-bit and 24-bit uncompressed pictures, and the encoders whose decoders the
# reader will most often meet (Motion JPEG, MPEG-4, MS Video 1, Cinepak, ZMBV,
# PNG, HuffYUV), with frames of different delays so that empty samples occur.
# Usage: make-avi-seeds.sh OUTDIR [KIVO_CLI]
set -euo pipefail
out=$1
cli=${2:-build/release/src/cli/kivo-cli}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Few colours (one palette) and many (full colour), three frames each; sizes
# that every encoder takes (MS Video 1 wants multiples of 4).
for i in 0 1 2; do
  ffmpeg -v error -y -f lavfi -i "testsrc=size=16x12:rate=1:duration=1" -vf "hue=h=$((i * 90))" \
    -frames:v 1 -pix_fmt pal8 "$work/few$i.png"
  ffmpeg -v error -y -f lavfi -i "nullsrc=size=20x16" -vf "geq=r='X*12+$i':g='Y*16':b='(X+Y)*5',format=rgb24" \
    -frames:v 1 "$work/many$i.png"
done
# Delays of 5, 15 and 25 hundredths: a unit of 5, so most samples are empty.
ffmpeg -v error -y -f lavfi -i "testsrc=size=16x12:rate=10:duration=0.3" "$work/few.gif"
gifsicle -b "$work/few.gif" -d5 "#0" -d15 "#1" -d25 "#2"
"$cli" convert -q "$work/few.gif" -o "$out/raw8.avi"
"$cli" convert -q "$work"/many*.png -o "$out/raw24.avi"
for codec in mjpeg mpeg4 msvideo1 cinepak zmbv png huffyuv; do
  "$cli" convert -q "$work"/many*.png -o "$out/$codec.avi" --codec "$codec"
done
