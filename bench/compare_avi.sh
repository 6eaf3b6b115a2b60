#!/usr/bin/env bash
# AVI both ways against FFmpeg, measured in the same run:
#   A. a 200-frame 640x480 GIF animation saved as AVI by kivo-cli and by
#      'ffmpeg -i x.gif x.avi', uncompressed (rawvideo) and Motion JPEG (both at
#      quantizer 3, which kivo-cli uses);
#   B. an AVI of 200 full-colour 640x480 pictures saved as GIF by kivo-cli and by
#      FFmpeg's two-pass palettegen/paletteuse path (one palette for the whole
#      animation, as kivo-cli makes).
# Prints time and peak memory ratios (ours / FFmpeg, below 1 = we are faster or
# smaller) and output sizes.
#
# Measured on a shared 2-core machine (best of 5, 1-minute load about 1):
# GIF -> AVI rawvideo 0.75-0.83x FFmpeg's time, MJPEG 0.78x, AVI -> GIF
# 0.41x; a heavier load costs our threads more than FFmpeg's mostly single
# one. Reading the GIF into a document takes about a sixth of FFmpeg's whole
# conversion, its images decoded on both cores. For the 8-bit file every
# screen is composed once beside a helper thread that counts its colours and
# keeps it as each pixel's place among them (the kept screens take at most
# half the frames' own size; any beyond are composed again when written); the
# one exact palette comes from the counts, and writing only maps the kept
# places to it. The 8-bit file is a quarter of FFmpeg's 32-bit one. MJPEG
# gets the same pictures at the same quantizer as FFmpeg (same size); the
# full-range 4:4:4 conversion is our own loop, which takes a seventh of the
# scaler's time, so the JPEG encoder is what is left. Large files go to the
# disk while they are written, so the sync at the end waits only for the
# tail. Peak memory (4.2-4.5x rawvideo, 3.3x MJPEG) is almost all the document
# itself, a 24-bit picture of every frame (180 MB here), plus the kept 8-bit
# screens (60 MB) for rawvideo; the export adds a few screens besides.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

KIVO_CLI=${KIVO_CLI:-$here/../build/release/src/cli/kivo-cli}
OUT=${BENCH_OUT:-$here/out}/avi
FRAMES=${AVI_FRAMES:-200}
mkdir -p "$OUT"
for tool in ffmpeg "$KIVO_CLI"; do
  command -v "$tool" >/dev/null || { echo "compare_avi: $tool missing" >&2; exit 1; }
done
ff() { ffmpeg -v error -y "$@"; }
size() { stat -c %s "$1"; }
report() {  # label ours_seconds ours_kb theirs_seconds theirs_kb ours_file theirs_file
  echo "  $1: time ours/FFmpeg $(ratio "$2" "$4"), peak memory ours/FFmpeg $(ratio "$3" "$5")," \
       "size ours/FFmpeg $(ratio "$(size "$6")" "$(size "$7")")"
}

anim=$OUT/anim.gif
if [ ! -s "$anim" ]; then
  # The source must end by itself: palettegen waits for the end of its input.
  ff -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$((FRAMES / 25))" -frames:v "$FRAMES" \
    -filter_complex "split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none" "$anim"
fi
video=$OUT/video.avi
if [ ! -s "$video" ]; then
  ff -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$((FRAMES / 25))" -frames:v "$FRAMES" \
    -c:v mjpeg -q:v 3 "$video"
fi
echo "  inputs: $(size "$anim") bytes of GIF, $(size "$video") bytes of MJPEG AVI, $FRAMES frames of 640x480"

echo "A. GIF -> AVI"
for codec in rawvideo mjpeg; do
  quality=(); [ "$codec" = mjpeg ] && quality=(-q:v 3)
  measure "kivo-cli ($codec)" "$KIVO_CLI" convert -q "$anim" -o "$OUT/ours_$codec.avi" --codec "$codec"
  ours_s=$MEASURED_SECONDS; ours_kb=$MEASURED_KB
  measure "ffmpeg ($codec)" ffmpeg -v error -y -i "$anim" -c:v "$codec" "${quality[@]}" "$OUT/ffmpeg_$codec.avi"
  report "$codec" "$ours_s" "$ours_kb" "$MEASURED_SECONDS" "$MEASURED_KB" "$OUT/ours_$codec.avi" \
    "$OUT/ffmpeg_$codec.avi"
done

echo "B. AVI -> GIF"
measure "kivo-cli" "$KIVO_CLI" convert -q "$video" -o "$OUT/ours.gif"
ours_s=$MEASURED_SECONDS; ours_kb=$MEASURED_KB
measure "ffmpeg palettegen/paletteuse" ffmpeg -v error -y -i "$video" \
  -filter_complex "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$OUT/ffmpeg.gif"
report "gif" "$ours_s" "$ours_kb" "$MEASURED_SECONDS" "$MEASURED_KB" "$OUT/ours.gif" "$OUT/ffmpeg.gif"
