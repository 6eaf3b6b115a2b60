#!/usr/bin/env bash
# Reading a 1920x1080 JPEG into a 24-bit frame: kivo-cli info (libjpeg-turbo
# writing blue, green, red straight into the DIB's rows) against djpeg, libjpeg's
# own decoder, writing PPM to /dev/null, as it comes (smooth upsampling) and with
# the settings our reader uses (-nosmooth). One read takes a few milliseconds,
# below what `time` resolves, so each measurement is JPEG_READ_LOOPS reads in a row,
# process start included for both sides. Ours also pays for the whole 6 MB frame
# picture (zeroed, then every page touched), which djpeg, streaming rows out,
# never holds.
# Prints time ratios (theirs / ours, above 1 = we are faster) and peak memory.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

KIVO_CLI=${KIVO_CLI:-$here/../build/release/src/cli/kivo-cli}
OUT=${BENCH_OUT:-$here/out}/jpeg
LOOPS=${JPEG_READ_LOOPS:-20}
mkdir -p "$OUT"
for tool in djpeg cjpeg ffmpeg "$KIVO_CLI"; do
  command -v "$tool" >/dev/null || { echo "compare_jpeg_read: $tool missing" >&2; exit 1; }
done

photo=$OUT/photo.jpg
if [ ! -s "$photo" ]; then
  # Grain makes the entropy-coded data as dense as a photograph's.
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080" -vf "noise=alls=12:allf=u" \
    -frames:v 1 "$OUT/photo.ppm"
  cjpeg -quality 90 -outfile "$photo" "$OUT/photo.ppm"
  rm -f "$OUT/photo.ppm"
fi
echo "  input: $(stat -c %s "$photo") bytes, 1920x1080 4:2:0, $LOOPS reads per measurement"
"$KIVO_CLI" info --quiet "$photo" >/dev/null

# repeat COMMAND...: runs it LOOPS times, failing as soon as one run fails.
repeat() { for _ in $(seq "$LOOPS"); do "$@" >/dev/null || return 1; done; }
export -f repeat
export LOOPS

measure "kivo-cli info" bash -c 'repeat "$@"' _ "$KIVO_CLI" info --quiet "$photo"
ours=$MEASURED_SECONDS; ours_kb=$MEASURED_KB
measure "djpeg (to PPM)" bash -c 'repeat "$@"' _ djpeg -outfile /dev/null "$photo"
djpeg_s=$MEASURED_SECONDS; djpeg_kb=$MEASURED_KB
measure "djpeg -nosmooth (our settings)" bash -c 'repeat "$@"' _ djpeg -nosmooth -outfile /dev/null "$photo"
nosmooth_s=$MEASURED_SECONDS

echo "  time: djpeg/ours $(ratio "$djpeg_s" "$ours") x, djpeg -nosmooth/ours $(ratio "$nosmooth_s" "$ours") x;" \
     "peak memory ours/djpeg $(ratio "$ours_kb" "$djpeg_kb")"
