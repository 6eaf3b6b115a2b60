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
#
# Peak memory of A's kivo-cli convert: 1.19x the frames' own 24-bit size
# (199 MB for 167 MB of frames), of which reading the GIF alone takes 1.17x;
# saving builds each frame's index plane only as it compresses the frame. It
# was 1.50x while every frame's plane was kept from palette preparation on.
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

# ours NAME OUTPUT CMD... measures kivo-cli; peer NAME OUTPUT CMD... measures another
# tool and keeps its ratio line; ratios prints the kept lines.
ours() {
  local out=$2; measure "$1" "${@:3}"
  k_t=$MEASURED_SECONDS; k_s=$(size "$out"); lines=()
}
peer() {
  local name=$1 out=$2; measure "$name" "${@:3}"
  lines+=("$(report "$name" "$k_t" "$k_s" "$MEASURED_SECONDS" "$(size "$out")")")
}
ratios() {
  echo " ratios against kivo-cli (time: theirs/ours, size: ours/theirs)"
  printf '%s\n' "${lines[@]}"
}

echo "A. ${FRAMES}-frame 640x480 animation, open + save"
ours "kivo-cli convert" "$OUT/a_kivo.gif" "$KIVO_CLI" convert "$anim" -o "$OUT/a_kivo.gif" -q
peer "gifsicle IN -o OUT" "$OUT/a_gifsicle.gif" gifsicle "$anim" -o "$OUT/a_gifsicle.gif"
peer "gifsicle --colors 256" "$OUT/a_gifsicle256.gif" \
  gifsicle --colors 256 "$anim" -o "$OUT/a_gifsicle256.gif"
peer "ImageMagick" "$OUT/a_im.gif" "$IM" "$anim" "$OUT/a_im.gif"
peer "FFmpeg palettegen/paletteuse" "$OUT/a_ff.gif" ffmpeg -v error -y -i "$anim" \
  -filter_complex "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$OUT/a_ff.gif"
ratios

echo "B. ${SEQUENCE}-frame photo-like truecolour sequence, reduced to 256 colours"
ours "kivo-cli convert" "$OUT/b_kivo.gif" "$KIVO_CLI" convert "${bmps[@]}" -o "$OUT/b_kivo.gif" -q
peer "gifsicle --colors 256 (local pal.)" "$OUT/b_gifsicle256.gif" \
  gifsicle --colors 256 "$seqgif" -o "$OUT/b_gifsicle256.gif"
peer "ImageMagick" "$OUT/b_im.gif" "$IM" "${bmps[@]}" "$OUT/b_im.gif"
peer "FFmpeg palettegen/paletteuse" "$OUT/b_ff.gif" ffmpeg -v error -y -i "$OUT/seq/f%03d.bmp" \
  -filter_complex "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$OUT/b_ff.gif"
ratios
