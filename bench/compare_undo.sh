#!/usr/bin/env bash
# Undo and redo of the editor's two heaviest edits on a 200-frame 640x480 GIF
# animation (a still picture with a box moving over it, whole frames stored as
# a screen recorder writes them): deleting every frame, and optimising frame
# sizes. Each undo and redo is timed as a fraction of reading the same GIF
# again in the same run (target at most 0.05x: undo must feel instant), and the
# peak resident memory while undoing and redoing as a multiple of the bytes the
# document itself holds (target at most 1.2x). Both run in one program through
# the editor's command logic (bench/undo_history.cpp), without a window.
#
# Measured on a shared 2-core machine (best of 10; 176 MiB of frames):
#   delete all: undo 0.00002x and redo 0.00002x the read, peak 1.00x the document
#   optimise:   undo 0.00004x and redo 0.00004x the read, peak 1.00x the document
# Undo and redo only relink frames and swap fields, so they cost microseconds
# whatever the pictures' size. The optimisation keeps the pictures it replaced
# in the history instead of releasing them: after it, memory is the document
# before plus the cropped pictures (1.02x here, its peak while optimising).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

BENCH_BIN=${BENCH_BIN:-$here/../build/release/bench}
OUT=${BENCH_OUT:-$here/out}/undo
mkdir -p "$OUT"
for tool in ffmpeg "$BENCH_BIN/undo_history"; do
  command -v "$tool" >/dev/null || { echo "compare_undo: $tool missing" >&2; exit 1; }
done

anim=$OUT/anim.gif
if [ ! -s "$anim" ]; then
  ffmpeg -v error -y -f lavfi -i "smptehdbars=size=640x480:rate=25:duration=8" \
    -f lavfi -i "color=c=black:size=40x40:rate=25:duration=8" \
    -filter_complex "[0][1]overlay=x='mod(n*9\,600)':y='100+mod(n*5\,300)',split[a][b];\
[a]palettegen[p];[b][p]paletteuse=dither=none" -gifflags -offsetting-transdiff -frames:v 200 "$anim"
fi
echo "  input: $(stat -c %s "$anim") bytes, 200 frames of 640x480"
"$BENCH_BIN/undo_history" "$anim" 10 | sed 's/^/  /'
