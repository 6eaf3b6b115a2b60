#!/usr/bin/env bash
# Opening and saving GIF animations with kivo-cli against the tools a user would
# otherwise pick, measured in the same run:
#   A. a 200-frame 640x480 animation that already fits 256 colours: a plain
#      rewrite (gifsicle IN -o OUT), a re-quantized rewrite (gifsicle --colors 256),
#      ImageMagick and FFmpeg palettegen/paletteuse;
#   B. a photo-like truecolour sequence that has to be reduced: BMP frames into
#      kivo-cli, ImageMagick and FFmpeg; gifsicle --colors 256 gets the same
#      pictures as a GIF with one exact palette per frame.
# Prints time ratios (theirs / ours, above 1 = we are faster) and output size
# ratios (ours / theirs, below 1 = our file is smaller).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
. "$here/lib.sh"

KIVO_CLI=${KIVO_CLI:-$here/../build/release/src/cli/kivo-cli}
OUT=${BENCH_OUT:-$here/out}/gif_write
FRAMES=${GIF_WRITE_FRAMES:-200}
SEQUENCE=${GIF_WRITE_SEQUENCE:-60}
IM=$(command -v convert-im6.q16 || command -v magick || command -v convert)
mkdir -p "$OUT/seq"
for tool in gifsicle ffmpeg "$IM" "$KIVO_CLI"; do
  command -v "$tool" >/dev/null || { echo "compare_gif_write: $tool missing" >&2; exit 1; }
done

ff() { ffmpeg -v error -y "$@"; }
size() { stat -c %s "$1"; }

# Inputs, made once per run by FFmpeg (its own test sources, nothing downloaded).
anim=$OUT/anim.gif
if [ ! -s "$anim" ]; then
  # The source must end by itself: palettegen waits for the end of its input.
  ff -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$((FRAMES / 25))" -frames:v "$FRAMES" \
     -filter_complex "split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none" "$anim"
fi
if [ ! -s "$OUT/seq/f001.bmp" ]; then
  ff -f lavfi -i "gradients=size=640x480:speed=0.02:rate=25:duration=$((SEQUENCE / 25 + 1)),noise=alls=12:allf=t" \
     -frames:v "$SEQUENCE" -pix_fmt bgr24 "$OUT/seq/f%03d.bmp"
fi
seqgif=$OUT/seq_local.gif
if [ ! -s "$seqgif" ]; then
  ff -i "$OUT/seq/f%03d.bmp" -filter_complex \
     "split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1:dither=none" "$seqgif"
fi
bmps=("$OUT"/seq/f*.bmp)

report() {  # name ours_seconds ours_bytes theirs_seconds theirs_bytes
  printf '  %-34s time %s x   size %s\n' "$1" "$(ratio "$4" "$2")" "$(ratio "$3" "$5")"
}

echo "A. ${FRAMES}-frame 640x480 animation, open + save"
measure "kivo-cli convert" "$KIVO_CLI" convert "$anim" -o "$OUT/a_kivo.gif" -q
k_t=$MEASURED_SECONDS; k_s=$(size "$OUT/a_kivo.gif")
measure "gifsicle IN -o OUT" gifsicle "$anim" -o "$OUT/a_gifsicle.gif"
g_t=$MEASURED_SECONDS; g_s=$(size "$OUT/a_gifsicle.gif")
measure "gifsicle --colors 256" gifsicle --colors 256 "$anim" -o "$OUT/a_gifsicle256.gif"
gc_t=$MEASURED_SECONDS; gc_s=$(size "$OUT/a_gifsicle256.gif")
measure "ImageMagick convert" "$IM" "$anim" "$OUT/a_im.gif"
i_t=$MEASURED_SECONDS; i_s=$(size "$OUT/a_im.gif")
measure "FFmpeg palettegen/paletteuse" ffmpeg -v error -y -i "$anim" -filter_complex \
  "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$OUT/a_ff.gif"
f_t=$MEASURED_SECONDS; f_s=$(size "$OUT/a_ff.gif")
echo " ratios against kivo-cli (time: theirs/ours, size: ours/theirs)"
report "gifsicle IN -o OUT" "$k_t" "$k_s" "$g_t" "$g_s"
report "gifsicle --colors 256" "$k_t" "$k_s" "$gc_t" "$gc_s"
report "ImageMagick" "$k_t" "$k_s" "$i_t" "$i_s"
report "FFmpeg palettegen/paletteuse" "$k_t" "$k_s" "$f_t" "$f_s"

echo "B. ${SEQUENCE}-frame photo-like truecolour sequence, reduced to 256 colours"
measure "kivo-cli convert" "$KIVO_CLI" convert "${bmps[@]}" -o "$OUT/b_kivo.gif" -q
k_t=$MEASURED_SECONDS; k_s=$(size "$OUT/b_kivo.gif")
measure "gifsicle --colors 256 (local pal.)" gifsicle --colors 256 "$seqgif" -o "$OUT/b_gifsicle256.gif"
gc_t=$MEASURED_SECONDS; gc_s=$(size "$OUT/b_gifsicle256.gif")
measure "ImageMagick convert" "$IM" "${bmps[@]}" "$OUT/b_im.gif"
i_t=$MEASURED_SECONDS; i_s=$(size "$OUT/b_im.gif")
measure "FFmpeg palettegen/paletteuse" ffmpeg -v error -y -i "$OUT/seq/f%03d.bmp" -filter_complex \
  "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$OUT/b_ff.gif"
f_t=$MEASURED_SECONDS; f_s=$(size "$OUT/b_ff.gif")
echo " ratios against kivo-cli (time: theirs/ours, size: ours/theirs)"
report "gifsicle --colors 256" "$k_t" "$k_s" "$gc_t" "$gc_s"
report "ImageMagick" "$k_t" "$k_s" "$i_t" "$i_s"
report "FFmpeg palettegen/paletteuse" "$k_t" "$k_s" "$f_t" "$f_s"
