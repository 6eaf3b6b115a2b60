#!/usr/bin/env bash
# Reducing a 1920x1080 photo-like picture to 256 colours with Floyd-Steinberg
# dithering: our quantizer (bench_quantize --quantize, PPM in and out) against
# ImageMagick (-dither FloydSteinberg -colors 256) and pngquant, measured in the
# same run. Prints time ratios (theirs / ours, above 1 = we are faster) and the
# PSNR of every result against the original.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

BENCH_BIN=${BENCH_BIN:-$here/../build/release/bench}
OUT=${BENCH_OUT:-$here/out}/quantize
IM=$(command -v convert-im6.q16 || command -v magick || command -v convert)
CMP=$(command -v compare-im6.q16 || command -v compare)
ours=$BENCH_BIN/bench_quantize
mkdir -p "$OUT"
for tool in pngquant "$IM" "$CMP" "$ours"; do
  command -v "$tool" >/dev/null || { echo "compare_quantize: $tool missing" >&2; exit 1; }
done

"$ours" --make "$OUT/in.ppm"
"$IM" "$OUT/in.ppm" "$OUT/in.png"

psnr() { "$CMP" -metric PSNR "$OUT/in.ppm" "$1" null: 2>&1 | awk '{print $1}'; }

measure "kivo quantizer (PPM)" "$ours" --quantize "$OUT/in.ppm" "$OUT/kivo.ppm"; t_kivo=$MEASURED_SECONDS
measure "ImageMagick (PNG, as users run it)" "$IM" "$OUT/in.png" -dither FloydSteinberg -colors 256 "$OUT/im.png"; t_im_png=$MEASURED_SECONDS
measure "ImageMagick (PPM)" "$IM" "$OUT/in.ppm" -dither FloydSteinberg -colors 256 "$OUT/im.ppm"; t_im_ppm=$MEASURED_SECONDS
measure "pngquant (PNG)" pngquant --force --output "$OUT/pq.png" 256 "$OUT/in.png"; t_pq=$MEASURED_SECONDS

echo "  time ratio ImageMagick PNG / kivo : $(ratio "$t_im_png" "$t_kivo")"
echo "  time ratio ImageMagick PPM / kivo : $(ratio "$t_im_ppm" "$t_kivo")"
echo "  time ratio pngquant / kivo        : $(ratio "$t_pq" "$t_kivo")"
echo "  PSNR kivo        : $(psnr "$OUT/kivo.ppm") dB"
echo "  PSNR ImageMagick : $(psnr "$OUT/im.ppm") dB"
echo "  PSNR pngquant    : $(psnr "$OUT/pq.png") dB"
