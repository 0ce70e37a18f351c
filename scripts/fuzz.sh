#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET[=SECONDS]...]
# (default 120 seconds, every target); a target's own duration overrides
# the default, so `scripts/fuzz.sh 60 gif=1200 bmp=1200 sgi` is one campaign.
# Every tests/fuzz/<name>_fuzzer.cpp is a target; its seeds are the files in
# tests/fuzz/corpus/<name>/ (the generic "read" target takes every folder).
# The working corpora and any crash or finding are left in build-fuzz/.
# FUZZ_JOBS=2 runs two targets at a time, each under `nice -n 19`, after
# one build; each target's output then goes to build-fuzz/logs/<name>.log.
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

jobs=${FUZZ_JOBS:-1}
mkdir -p build-fuzz/logs

run_target() {
  local target=$1 name=${1%%=*} duration=$seconds
  [ "$name" != "$target" ] && duration=${target#*=}
  local work=build-fuzz/corpus/$name seeds=()
  mkdir -p "$work"
  if [ -d "tests/fuzz/corpus/$name" ]; then
    cp -n tests/fuzz/corpus/"$name"/* "$work"/ 2>/dev/null || true
  else
    seeds=(tests/fuzz/corpus/*/)
  fi
  echo "==== ${name}_fuzzer for ${duration}s"
  # Inputs up to 64 KiB.  The targets lower the pixel ceiling to 2^20
  # pixels, so no input needs more than a few MiB at once; any single
  # allocation above 32 MiB is a picture the reader should have refused
  # (a bomb), and libFuzzer reports it as a finding.
  ASAN_OPTIONS=allocator_may_return_null=0:detect_leaks=1 \
    $nice "build-fuzz/${name}_fuzzer" -max_len=65536 -malloc_limit_mb=32 -rss_limit_mb=2048 \
    -max_total_time="$duration" -print_final_stats=1 -artifact_prefix="build-fuzz/${name}-" \
    "$work" "${seeds[@]}"
}

status=0
if [ "$jobs" -le 1 ]; then
  nice=""
  for target in "${targets[@]}"; do run_target "$target" || status=1; done
  exit $status
fi
# Lanes of targets, dealt round; other work on the machine comes first.
nice="nice -n 19"
lanes=()
for ((lane = 0; lane < jobs; ++lane)); do
  (
    failed=0
    for ((i = lane; i < ${#targets[@]}; i += jobs)); do
      name=${targets[i]%%=*}
      run_target "${targets[i]}" >"build-fuzz/logs/$name.log" 2>&1 || { failed=1; echo "finding: $name (build-fuzz/logs/$name.log)"; }
      echo "$name: $(grep -h 'stat::' "build-fuzz/logs/$name.log" | tr -s ' ' | tr '\n' ' ')"
    done
    exit $failed
  ) &
  lanes+=($!)
done
for pid in "${lanes[@]}"; do wait "$pid" || status=1; done
exit $status
