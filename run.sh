#!/usr/bin/env bash
# Installs what is missing, builds Kivo (Release) and opens the editor with the
# given files. `./run.sh --cli ARGS...` runs the command-line tool instead.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
if [ "${1:-}" = "--cli" ]; then
  shift
  cmake --build build/release --target kivo-cli
  if [ $# -eq 0 ]; then
    exec build/release/src/cli/kivo-cli --help
  fi
  exec build/release/src/cli/kivo-cli "$@"
fi
cmake --build build/release --target kivo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display to open the editor on; run it on a desktop, or without one: xvfb-run ./run.sh [FILE...] (./run.sh --cli ARGS runs kivo-cli)" >&2
  exit 1
fi
exec build/release/src/kivo "$@"
