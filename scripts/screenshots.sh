#!/usr/bin/env bash
# Pictures of every window and dialog of the editor, as a user sees them: starts
# kivo under a virtual display (Xvfb) with a sample animation and saves PNG files
# into the folder given (default build/screenshots).
# Usage: scripts/screenshots.sh [FOLDER] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/screenshots}"
build="${2:-build/release}"
if ! command -v xvfb-run >/dev/null; then
  echo "screenshots: xvfb-run is missing (install xvfb); skipped" >&2
  exit 0
fi
if [ ! -x "$build/src/kivo" ] || [ ! -x "$build/src/cli/kivo-cli" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target kivo kivo-cli
fi
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A sample animation: three coloured pictures drawn by ImageMagick, joined by our
# own tool (three white frames when ImageMagick is missing).
if command -v convert >/dev/null; then
  convert -size 160x120 gradient:'#3060c0'-'#c0e0ff' -fill '#e05030' -draw 'circle 40,60 40,85' "$work/1.png"
  convert -size 160x120 gradient:'#3060c0'-'#c0e0ff' -fill '#e05030' -draw 'circle 80,50 80,75' "$work/2.png"
  convert -size 160x120 gradient:'#3060c0'-'#c0e0ff' -fill '#e05030' -draw 'circle 120,60 120,85' "$work/3.png"
  "$build/src/cli/kivo-cli" convert "$work/1.png" "$work/2.png" "$work/3.png" --delay 20 -o "$work/サンプル.gif" --quiet
else
  "$build/src/cli/kivo-cli" blank --size 160x120 --count 3 --delay 20 -o "$work/サンプル.gif" --quiet
fi
# A settings file of its own, so the user's kivo.ini is neither read nor written;
# Japanese whatever the machine's locale (the English pictures are NAME-en.png).
KIVO_INI="$work/kivo.ini" KIVO_LANG=ja xvfb-run -a -s "-screen 0 1600x1200x24" \
  "$build/src/kivo" --screenshots "$out" "$work/サンプル.gif"
# Everything again on a 1280x720 screen, at 1x and at 2x scaling (where that
# screen is 640x360): every window must open whole, nothing cut off.
for scale in 1 2; do
  KIVO_INI="$work/kivo-$scale.ini" KIVO_LANG=ja QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 1280x720x24" \
    "$build/src/kivo" --screenshots "$out/1280x720-${scale}x" "$work/サンプル.gif"
done
echo "screenshots: $(ls "$out"/*.png | wc -l) pictures in $out"
