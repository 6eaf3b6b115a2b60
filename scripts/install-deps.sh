#!/usr/bin/env bash
# Installs the Debian packages that building, testing, benchmarking and fuzzing need.
# Quick when everything is present; loud and non-zero when apt fails.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  zlib1g-dev libpng-dev libjpeg62-turbo-dev libdeflate-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-qpa-plugins libqt6svg6 fonts-noto-cjk
  # Qt's own dialogs and buttons in Japanese, like the rest of the interface
  qt6-translations-l10n
  # lupdate and lrelease with their CMake functions: the interface's English is
  # a Qt Linguist file built into the program
  qt6-tools-dev qt6-l10n-tools
  # the GUI tests and screenshots run under a virtual display; xclip is the
  # second program of the clipboard test
  xvfb xauth xclip
  # a small paint program, so that editing a frame works on a fresh machine
  mtpaint
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  # animated WebP through libwebp; its tools and Pillow are test oracles and bench peers
  libwebp-dev webp python3-pil
  libgif-dev libmng-dev pngcheck
  clang libclang-rt-14-dev
  # tools the benchmarks compare against
  gifsicle imagemagick ffmpeg pngquant time libjpeg-turbo-progs netpbm apngasm
  # Pillow writes and decodes the animated PNGs the APNG tests compare against
  python3-pil
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: not root and no sudo" >&2; exit 1; }
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get update -q; then
  echo "install-deps: apt-get update failed" >&2; exit 1
fi
if ! $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  echo "install-deps: apt-get install failed for: ${missing[*]}" >&2; exit 1
fi
