#!/usr/bin/env bash
# Lossy GIF compression and the target size, against gifsicle -O3 --lossy and
# ImageMagick, measured in the same run:
#   A. a 100-frame 800x600 screen recording (as in compare_optimize.sh);
#   B. a 100-frame 640x480 natural-looking video: FFmpeg's zooming Mandelbrot
#      with grain, error-diffusion dithered to one palette.
# Quality is FFmpeg's psnr filter (rgb24, average over all frames) on the frames
# as FFmpeg's GIF decoder composes them, against the input. For each input:
#   - gifsicle -O3 --lossy=30 and --lossy=80, ImageMagick -layers optimize;
#   - kivo-cli convert --optimize --lossy N for several N, and the strongest N
#     whose PSNR is at least gifsicle's at --lossy=80, with its size ratio;
#   - kivo-cli convert --optimize --max-size at 80% (A) and 50% (B) of our exact
#     file's size: the settings chosen, how close under the target the file
#     is, and its PSNR.
# Time ratios are theirs / ours (above 1: we are faster), size ratios ours /
# theirs (below 1: our file is smaller).
#
# One run on a shared 2-core machine (kivo-cli RelWithDebInfo; times vary by a
# third between runs, the ratios of one run hold better), after the lossy coder
# began keeping a full table for 8192 pixels before clearing it:
#   A. gifsicle --lossy=30 63,307 bytes (56.3 dB), --lossy=80 63,290 (50.7 dB),
#      ImageMagick 72,090 (62.8 dB); ours exact 63,371, --lossy 20 63,362
#      (59.4 dB), 40 63,365 (99.0 dB), 60-100 63,065 (46.0 dB). At a PSNR above
#      gifsicle's at 80 our file is 1.00 of its size: the recording's colours lie
#      too far apart for either coder to find much. Time gifsicle-80/ours 0.26
#      (our --optimize makes a plain save too), ImageMagick/ours 4.9.
#   B. gifsicle --lossy=30 10,299,404 (39.2 dB), --lossy=80 8,612,950
#      (34.4 dB), ImageMagick 17,814,722 (44.8 dB); ours exact 16,240,851,
#      --lossy 40 10,116,968 (39.3 dB: 0.98 of gifsicle-30 at a higher PSNR),
#      60 8,925,761 (36.0 dB), 70 8,336,515 (34.5 dB), 80 7,876,792 (33.1 dB),
#      100 7,252,220 (31.4 dB). At lossiness 70 our PSNR is above gifsicle's at
#      80 and the size 0.97 of its: the goal of 0.90 is not reached. Time
#      gifsicle-80/ours 6.2, gifsicle-30/ours 7.2, ImageMagick/ours 3.7.
#   --max-size: B at 8,120,425 bytes chose lossiness 73, 256 colours:
#      8,116,219 bytes (0.9995 of the target, PSNR 33.8 dB) in 17 s. A at 80%
#      of the exact file cannot be reached (the smallest file tried, lossiness
#      200 with 16 colours, is 62,582 bytes) and kivo-cli says so, writing nothing.
# Before the full table was kept (clearing as soon as it filled), B at lossiness
# 70 was 8,595,462 bytes (34.7 dB), 1.00 of gifsicle's at 80; keeping it for
# 6000 or 12000 pixels gave 8,358,516 (34.5 dB) and 8,336,805 (34.4 dB), for
# 30000 8,683,422 (34.2 dB); clearing once a 2048-pixel window coded worse than
# the first after filling, 8,479,641 (34.5 dB).
# Tried and left out: starting a string with any entry within the bound, not
# only the pixel's own (B: 8.0 MB at 32.5 dB, a worse trade than above);
# preferring a shorter string with less error (length against squared error,
# B: 9.9 MB at 35.6 dB); diffusing less of the error (no change in PSNR on B).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

KIVO_CLI=${KIVO_CLI:-$here/../build/release/src/cli/kivo-cli}
OUT=${BENCH_OUT:-$here/out}/lossy
IM=$(command -v convert-im6.q16 || command -v magick || command -v convert)
BENCH_REPEAT=${LOSSY_REPEAT:-1}
LEVELS=${LOSSY_LEVELS:-"20 40 60 70 80 100"}
mkdir -p "$OUT"
for tool in gifsicle ffmpeg "$IM" "$KIVO_CLI"; do
  command -v "$tool" >/dev/null || { echo "compare_lossy: $tool missing" >&2; exit 1; }
done

ff() { ffmpeg -v error -y "$@"; }
size() { stat -c %s "$1"; }
whole_frames=(-gifflags -offsetting-transdiff)

screen=$OUT/screen.gif
if [ ! -s "$screen" ]; then
  src() { echo "-f lavfi -i $1:rate=10:duration=10"; }
  # shellcheck disable=SC2046
  ff $(src smptehdbars=size=800x600) $(src color=c=white:size=520x380) \
     $(src color=c=0x303030:size=480x14) $(src color=c=0x2050C0:size=400x14) $(src color=c=black:size=12x18) \
     -filter_complex "[1][2]overlay=x='20-480+mod(n*37\,480)':y=20:shortest=1[w1];\
[w1][3]overlay=x='20-400+mod(n*23\,400)':y=50:shortest=1[w2];[0][w2]overlay=40:120:shortest=1[s];\
[s][4]overlay=x='100+mod(n*13\,600)':y='200+mod(n*7\,300)':shortest=1,split[a][b];\
[a]palettegen[p];[b][p]paletteuse=dither=none" "${whole_frames[@]}" -frames:v 100 "$screen"
fi
video=$OUT/mandelbrot.gif
if [ ! -s "$video" ]; then
  ff -f lavfi -i "mandelbrot=size=640x480:rate=25,trim=end_frame=100,noise=alls=3:allf=t" \
     -filter_complex "split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=floyd_steinberg" "${whole_frames[@]}" \
     -frames:v 100 "$OUT/mandelbrot_ffmpeg.gif"
  gifsicle --disposal asis "$OUT/mandelbrot_ffmpeg.gif" -o "$video"
fi

# psnr REFERENCE TEST -> average PSNR over the composed frames
psnr() {
  ffmpeg -v info -i "$1" -i "$2" -lavfi "[0:v]format=rgb24[a];[1:v]format=rgb24[b];[a][b]psnr" -f null - 2>&1 |
    sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p' | tail -n 1
}
row() {  # name file seconds
  printf '  %-34s %10d bytes  PSNR %6s dB\n' "$1" "$(size "$2")" "$(psnr "$in" "$2")"
}

run() {  # label input target-percent-of-our-exact-file
  local label=$1 tag; in=$2
  tag=$(basename "$in" .gif)
  echo "$label ($(size "$in") bytes in)"
  measure "gifsicle -O3 --lossy=30" gifsicle -O3 --lossy=30 "$in" -o "$OUT/${tag}_g30.gif"
  local g30_t=$MEASURED_SECONDS
  row "  output" "$OUT/${tag}_g30.gif"
  measure "gifsicle -O3 --lossy=80" gifsicle -O3 --lossy=80 "$in" -o "$OUT/${tag}_g80.gif"
  local g80_t=$MEASURED_SECONDS g80_s g80_p
  g80_s=$(size "$OUT/${tag}_g80.gif"); g80_p=$(psnr "$in" "$OUT/${tag}_g80.gif")
  row "  output" "$OUT/${tag}_g80.gif"
  measure "ImageMagick -layers optimize" "$IM" "$in" -layers optimize "$OUT/${tag}_im.gif"
  local im_t=$MEASURED_SECONDS
  row "  output" "$OUT/${tag}_im.gif"
  measure "kivo-cli --optimize (exact)" "$KIVO_CLI" convert "$in" -o "$OUT/${tag}_k0.gif" --optimize -q --no-config
  local exact_s; exact_s=$(size "$OUT/${tag}_k0.gif")
  row "  output" "$OUT/${tag}_k0.gif"
  local best="" best_s=0 best_t=0 n p
  for n in $LEVELS; do
    measure "kivo-cli --optimize --lossy $n" \
      "$KIVO_CLI" convert "$in" -o "$OUT/${tag}_k$n.gif" --optimize --lossy "$n" -q --no-config
    p=$(psnr "$in" "$OUT/${tag}_k$n.gif")
    row "  output" "$OUT/${tag}_k$n.gif"
    if awk -v a="$p" -v b="$g80_p" 'BEGIN{exit !(a >= b)}'; then
      best=$n; best_s=$(size "$OUT/${tag}_k$n.gif"); best_t=$MEASURED_SECONDS
    fi
  done
  if [ -n "$best" ]; then
    printf '  strongest kivo lossiness with PSNR >= gifsicle --lossy=80 (%s dB): %s\n' "$g80_p" "$best"
    printf '    size ours/gifsicle-80 %s (goal <= 0.90), time gifsicle-80/ours %s,' \
      "$(ratio "$best_s" "$g80_s")" "$(ratio "$g80_t" "$best_t")"
    printf ' gifsicle-30/ours %s, ImageMagick/ours %s\n' "$(ratio "$g30_t" "$best_t")" "$(ratio "$im_t" "$best_t")"
  else
    echo "  no kivo lossiness in ($LEVELS) reaches gifsicle --lossy=80's PSNR ($g80_p dB)"
  fi
  local target=$((exact_s * $3 / 100)) t0 t1
  t0=$(date +%s.%N)
  "$KIVO_CLI" convert "$in" -o "$OUT/${tag}_target.gif" --optimize --max-size "$target" -q --no-config \
    >"$OUT/${tag}_target.txt" 2>&1 || true
  t1=$(date +%s.%N)
  printf '  %-34s %8.3f s\n' "kivo-cli --optimize --max-size $target" "$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b - a}')"
  grep -v '^kivo-cli convert: tried' "$OUT/${tag}_target.txt" | sed 's/^/    /'
  if [ -s "$OUT/${tag}_target.gif" ]; then
    row "  output" "$OUT/${tag}_target.gif"
    printf '    size/target %s (goal 0.97-1.00)\n' "$(ratio "$(size "$OUT/${tag}_target.gif")" "$target")"
  fi
}

run "A. 100-frame 800x600 screen recording" "$screen" 80
run "B. 100-frame 640x480 dithered Mandelbrot zoom with grain" "$video" 50
