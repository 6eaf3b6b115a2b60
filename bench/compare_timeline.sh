#!/usr/bin/env bash
# Opening an animation in the editor with the timeline: the time until the
# first frame is on screen and until every frame's thumbnail is in, each as a
# ratio to `kivo-cli info` reading the same file in the same run (the least any
# front end must spend: decoding every frame). Also the longest the window went
# without handling events while thumbnails filled in, and the thumbnail cache's
# peak memory as a share of the frames' own picture bytes (at most 10 %).
# Inputs: natural.gif in $BENCH_OUT when someone put one there, and 200- and
# 2,000-frame 640x480 animations FFmpeg's GIF encoder makes from its test
# pattern (changed rectangles with transparency, so every thumbnail is a
# composed screen). The editor runs on Qt's offscreen platform
# (bench/timeline_open.cpp).
#
# Measured on a shared 2-core machine (best of 3):
#   200 frames:   first frame 0.87x info, all thumbnails 1.28x, longest stall 6.5 ms, cache 1.44 %
#   2,000 frames: first frame 0.58x info, all thumbnails 1.09x, longest stall 7.2 ms, cache 1.45 %
# The first frame waits only for the file to be read; thumbnails fill in at
# about half a millisecond a frame after that (composing and shrinking on the
# worker, copying the frames for it on the UI thread), and the window keeps
# handling events within a few milliseconds meanwhile.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

BENCH_BIN=${BENCH_BIN:-$here/../build/release/bench}
KIVO_CLI=${KIVO_CLI:-$BENCH_BIN/../src/cli/kivo-cli}
OUT=${BENCH_OUT:-$here/out}/timeline
mkdir -p "$OUT"
for tool in ffmpeg "$BENCH_BIN/timeline_open" "$KIVO_CLI"; do
  command -v "$tool" >/dev/null || { echo "compare_timeline: $tool missing" >&2; exit 1; }
done
# The window's settings stay out of the user's kivo.ini.
export KIVO_INI=$OUT/kivo.ini

inputs=()
natural=${BENCH_OUT:-$here/out}/natural.gif
[ -s "$natural" ] && inputs+=("$natural")
for frames in 200 2000; do
  anim=$OUT/testsrc-$frames.gif
  if [ ! -s "$anim" ]; then
    ffmpeg -v error -y -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$((frames / 25))" -frames:v "$frames" \
      -filter_complex "split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none" "$anim"
  fi
  inputs+=("$anim")
done

for anim in "${inputs[@]}"; do
  echo "  input: $(basename "$anim"), $(stat -c %s "$anim") bytes"
  measure "kivo-cli info" "$KIVO_CLI" info "$anim"
  info_s=$MEASURED_SECONDS
  read -r _ first _ all _ stall _ peak _ bytes _ frames < <("$BENCH_BIN/timeline_open" "$anim" "$BENCH_REPEAT")
  printf '  %-34s %8.3f s\n' "editor: first frame shown" "$first"
  printf '  %-34s %8.3f s\n' "editor: all $frames thumbnails" "$all"
  echo "  first frame $(ratio "$first" "$info_s")x info, all thumbnails $(ratio "$all" "$info_s")x info," \
    "longest stall ${stall} ms, cache peak $(awk -v p="$peak" -v b="$bytes" 'BEGIN{printf "%.2f", 100 * p / b}') %" \
    "of the frames' bytes ($peak of $bytes)"
done
