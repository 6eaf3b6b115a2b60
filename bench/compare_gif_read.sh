#!/usr/bin/env bash
# Reading a whole GIF animation into 24-bit frames: kivo-cli info (our reader,
# every frame decoded to a 24-bit DIB) against giflib (DGifSlurp plus palette
# look-up into kept 24-bit buffers) and gifsicle (which cannot only decode: it
# reads every frame and writes the file again, unoptimized). 200 frames of
# 640x480 made by FFmpeg at set-up, every frame a full picture.
# Prints time ratios (theirs / ours, above 1 = we are faster) and our peak memory
# against giflib's and against the frames' own 24-bit size.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

KIVO_CLI=${KIVO_CLI:-$here/../build/release/src/cli/kivo-cli}
BENCH_BIN=${BENCH_BIN:-$here/../build/release/bench}
OUT=${BENCH_OUT:-$here/out}/gif_read
FRAMES=${GIF_READ_FRAMES:-200}
GIFLIB=$BENCH_BIN/gif_read_giflib
mkdir -p "$OUT"
for tool in gifsicle ffmpeg "$KIVO_CLI" "$GIFLIB"; do
  command -v "$tool" >/dev/null || { echo "compare_gif_read: $tool missing" >&2; exit 1; }
done

anim=$OUT/anim_full.gif
if [ ! -s "$anim" ]; then
  # The source must end by itself: palettegen waits for the end of its input.
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$((FRAMES / 25))" \
    -frames:v "$FRAMES" \
    -filter_complex "split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=bayer" \
    -gifflags -offsetting-transdiff "$anim"
fi
echo "  input: $(stat -c %s "$anim") bytes, $FRAMES frames of 640x480"

"$KIVO_CLI" info --quiet "$anim" >/dev/null
# Frames' own size: every DIB's rows padded to 4 bytes, plus its header.
frames_kb=$("$KIVO_CLI" info --quiet --json "$anim" | awk -F'[:,]' '
  /"width"/ { for (i = 1; i <= NF; i++) { if ($i ~ /"width"/) w = $(i+1); if ($i ~ /"height"/) h = $(i+1) }
              total += 40 + int((3 * w + 3) / 4) * 4 * h }
  END { printf "%d", total / 1024 }')

measure "kivo-cli info" "$KIVO_CLI" info --quiet "$anim"; ours_s=$MEASURED_SECONDS; ours_kb=$MEASURED_KB
measure "giflib DGifSlurp + look-up" "$GIFLIB" "$anim"; giflib_s=$MEASURED_SECONDS; giflib_kb=$MEASURED_KB
measure "gifsicle -U (read + write)" gifsicle -U "$anim" -o /dev/null; sicle_s=$MEASURED_SECONDS

echo "  time: giflib/ours $(ratio "$giflib_s" "$ours_s") x, gifsicle/ours $(ratio "$sicle_s" "$ours_s") x"
echo "  peak memory: ours/giflib $(ratio "$ours_kb" "$giflib_kb"), ours/frames' own size $(ratio "$ours_kb" "$frames_kb") (frames $frames_kb KiB)"
