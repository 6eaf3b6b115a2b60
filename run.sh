#!/usr/bin/env bash
# Installs what is missing, builds Kivo (Release) and runs it with the given files.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target kivo-cli
if [ $# -eq 0 ]; then
  exec build/release/src/cli/kivo-cli --help
fi
exec build/release/src/cli/kivo-cli "$@"
