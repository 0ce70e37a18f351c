#!/usr/bin/env bash
# Configures and builds one build tree.
#   scripts/build.sh [DIR] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
# A compiler cache, where the machine has one, makes the second build of the
# same sources (and the sanitized twin of unchanged files) nearly free.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
