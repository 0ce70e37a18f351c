#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET[=SECONDS]...]
# (default 120 seconds, every target); a target's own duration overrides
# the default, so `scripts/fuzz.sh 60 gif=1200 bmp=1200 sgi` is one campaign.
# Every tests/fuzz/<name>_fuzzer.cpp is a target; its seeds are the files in
# tests/fuzz/corpus/<name>/ (the generic "read" target takes every folder).
# The working corpora and any crash or finding are left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
shift || true
scripts/deps.sh
command -v clang++ >/dev/null || { apt-get install -y -qq clang >/dev/null; }
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_FUZZ=ON -DTAVREL_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in tests/fuzz/*_fuzzer.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("${name%_fuzzer}")
  done
fi

status=0
for target in "${targets[@]}"; do
  name=${target%%=*}
  duration=$seconds
  [ "$name" != "$target" ] && duration=${target#*=}
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  if [ -d "tests/fuzz/corpus/$name" ]; then
    cp -n tests/fuzz/corpus/"$name"/* "$work"/ 2>/dev/null || true
    seeds=()
  else
    seeds=(tests/fuzz/corpus/*/)
  fi
  echo "==== ${name}_fuzzer for ${duration}s"
  # Inputs up to 64 KiB.  The targets lower the pixel ceiling to 2^20
  # pixels, so no input needs more than a few MiB at once; any single
  # allocation above 32 MiB is a picture the reader should have refused
  # (a bomb), and libFuzzer reports it as a finding.
  ASAN_OPTIONS=allocator_may_return_null=0:detect_leaks=1 \
    "build-fuzz/${name}_fuzzer" -max_len=65536 -malloc_limit_mb=32 -rss_limit_mb=2048 \
    -max_total_time="$duration" -print_final_stats=1 -artifact_prefix="build-fuzz/${name}-" \
    "$work" "${seeds[@]}" || status=1
done
exit $status
