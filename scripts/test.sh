#!/usr/bin/env bash
# Runs every test: a Release build and an AddressSanitizer +
# UndefinedBehaviorSanitizer build, each with the whole ctest suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

status=0
run_suite() {
  local dir=$1; shift
  echo "==== building $dir"
  scripts/build.sh "$dir" "$@"
  echo "==== testing $dir"
  (cd "$dir" && ctest --output-on-failure -j"$(nproc)") || status=1
}

run_suite build
run_suite build-asan -DTAVREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
exit $status
