#!/usr/bin/env bash
# Reading and writing a 1920x1080 PNG: kivo-cli (libpng's progressive reader into a
# 24-bit frame; the writer's colour census and level-9 compression) against
# netpbm's pngtopnm and ImageMagick, which also go through libpng.
# Prints time ratios (theirs / ours, above 1 = we are faster) and peak memory.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

KIVO_CLI=${KIVO_CLI:-$here/../build/release/src/cli/kivo-cli}
OUT=${BENCH_OUT:-$here/out}/png
mkdir -p "$OUT"
for tool in pngtopnm convert ffmpeg "$KIVO_CLI"; do
  command -v "$tool" >/dev/null || { echo "compare_png: $tool missing" >&2; exit 1; }
done

photo=$OUT/photo.png
# Test pattern with grain, so that inflate and deflate have real work to do.
[ -s "$photo" ] || ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080" -vf "noise=alls=12:allf=u" \
  -frames:v 1 "$photo"
echo "  input: $(stat -c %s "$photo") bytes, 1920x1080 RGB"

measure "kivo-cli info (read)" "$KIVO_CLI" info --quiet "$photo"; ours=$MEASURED_SECONDS; ours_kb=$MEASURED_KB
measure "pngtopnm (read)" pngtopnm "$photo"; netpbm=$MEASURED_SECONDS
measure "ImageMagick (read to PPM)" convert "$photo" ppm:/dev/null; magick=$MEASURED_SECONDS; magick_kb=$MEASURED_KB
echo "  read time: pngtopnm/ours $(ratio "$netpbm" "$ours") x, ImageMagick/ours $(ratio "$magick" "$ours") x;" \
     "peak memory ours/ImageMagick $(ratio "$ours_kb" "$magick_kb")"

measure "kivo-cli convert (write, level 9)" "$KIVO_CLI" convert --quiet "$photo" -o "$OUT/ours.png"; ours=$MEASURED_SECONDS
measure "ImageMagick (write, level 9)" convert "$photo" -quality 95 "$OUT/magick.png"; magick=$MEASURED_SECONDS
echo "  write time: ImageMagick/ours $(ratio "$magick" "$ours") x;" \
     "size ours/ImageMagick $(ratio "$(stat -c %s "$OUT/ours.png")" "$(stat -c %s "$OUT/magick.png")")"
