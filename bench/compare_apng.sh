#!/usr/bin/env bash
# GIF -> APNG: kivo-cli convert against FFmpeg's APNG muxer (ffmpeg -i IN -f apng
# OUT) and apngasm (Debian's apngasm 2.91, given the GIF's frames as PNG files
# and their delays, the way it is used), measured in the same run. Prints time
# ratios (ours / theirs, below 1 = we are faster) and output size ratios
# (ours / theirs). Two inputs: a 640x480 test picture of 200 frames reduced to
# one palette (every frame changes everywhere a little), and a 320x240 sprite
# animation over a still background (most of each frame repeats the one before).
# The time of apngasm excludes extracting the frames it needs.
#
# Measured on a 2-core machine shared with other work (RelWithDebInfo build):
#   testsrc: ours/ffmpeg time 0.15, size 0.58; ours/apngasm time 0.03, size 1.07
#   sprite:  ours/ffmpeg time 0.27, size 0.60; ours/apngasm time 0.06, size 1.00
# FFmpeg writes the GIF's frames as 32-bit RGBA; ours are one 8-bit palette
# cropped to the changes. apngasm's 7-Zip deflate (15 iterations) gains 7% on
# the testsrc frames at 35 times our time.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

KIVO_CLI=${KIVO_CLI:-$here/../build/release/src/cli/kivo-cli}
OUT=${BENCH_OUT:-$here/out}/apng
FRAMES=${APNG_FRAMES:-200}
mkdir -p "$OUT"
for tool in ffmpeg "$KIVO_CLI"; do
  command -v "$tool" >/dev/null || { echo "compare_apng: $tool missing" >&2; exit 1; }
done
APNGASM=$(command -v apngasm || true)
[ -n "$APNGASM" ] || echo "  apngasm not installed: compared with FFmpeg only"
size() { stat -c %s "$1"; }

make_inputs() {
  local big=$OUT/testsrc.gif sprite=$OUT/sprite.gif
  [ -s "$big" ] || ffmpeg -v error -y -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$((FRAMES / 25))" \
    -frames:v "$FRAMES" -filter_complex "split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none" "$big"
  # Both sources must end by themselves: palettegen waits for the end of its input.
  [ -s "$sprite" ] || ffmpeg -v error -y -f lavfi -i "smptebars=size=320x240:rate=25:duration=$((FRAMES / 25))" \
    -f lavfi -i "testsrc=size=48x48:rate=25:duration=$((FRAMES / 25))" \
    -filter_complex "[0][1]overlay=x='mod(t*80,272)':y='mod(t*40,192)':shortest=1,split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none" \
    -frames:v "$FRAMES" "$sprite"
}
make_inputs

for input in testsrc sprite; do
  gif=$OUT/$input.gif
  echo "$input: $(size "$gif") bytes, $("$KIVO_CLI" info "$gif" | awk '/^frames:/ {print $2}') frames"
  measure "kivo-cli convert" "$KIVO_CLI" convert "$gif" -o "$OUT/$input.ours.png" --no-config
  ours_s=$MEASURED_SECONDS
  measure "ffmpeg -f apng" ffmpeg -v error -y -i "$gif" -plays 0 -f apng "$OUT/$input.ffmpeg.png"
  ff_s=$MEASURED_SECONDS
  echo "  ours/ffmpeg: time $(ratio "$ours_s" "$ff_s"), size $(ratio "$(size "$OUT/$input.ours.png")" "$(size "$OUT/$input.ffmpeg.png")")" \
       "($(size "$OUT/$input.ours.png") against $(size "$OUT/$input.ffmpeg.png") bytes)"
  if [ -n "$APNGASM" ]; then
    frames=$OUT/$input.frames
    rm -rf "$frames" && mkdir -p "$frames"
    ffmpeg -v error -y -i "$gif" -vsync passthrough "$frames/f%04d.png"
    # Both inputs have 25 frames a second: 4 hundredths a frame, as in the GIF.
    measure "apngasm" "$APNGASM" "$OUT/$input.apngasm.png" "$frames/f0001.png" 4 100
    asm_s=$MEASURED_SECONDS
    echo "  ours/apngasm: time $(ratio "$ours_s" "$asm_s"), size $(ratio "$(size "$OUT/$input.ours.png")" "$(size "$OUT/$input.apngasm.png")")" \
         "($(size "$OUT/$input.ours.png") against $(size "$OUT/$input.apngasm.png") bytes)"
  fi
done
