#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 120)
# Seeds come from the test fixtures; crashes are left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
scripts/deps.sh
command -v clang++ >/dev/null || { apt-get install -y -qq clang >/dev/null; }
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_FUZZ=ON -DTAVREL_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
mkdir -p build-fuzz/corpus
find tests -path '*fixtures*' -type f \( -name '*.png' -o -name '*.jpg' -o -name '*.ppm' -o -name '*.pgm' \) \
  -size -64k -exec cp {} build-fuzz/corpus/ \;
printf 'P6\n# seed\n2 2\n255\n' > build-fuzz/corpus/seed.ppm && head -c 12 /dev/urandom >> build-fuzz/corpus/seed.ppm
printf 'P5 3 1 65535\n' > build-fuzz/corpus/seed.pgm && head -c 6 /dev/urandom >> build-fuzz/corpus/seed.pgm
for fuzzer in build-fuzz/*_fuzzer; do
  echo "==== $fuzzer for ${seconds}s"
  # Pictures above 256 MB are refused, so a tiny file claiming a huge
  # picture costs milliseconds, not seconds of decoding.
  ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1:max_allocation_size_mb=256 \
    # A target with seeds of its own (tests/fuzz/corpus/<format>/) starts from those.
    corpus=build-fuzz/corpus
    seeds=tests/fuzz/corpus/$(basename "$fuzzer" _fuzzer)
    if [ -d "$seeds" ]; then corpus=build-fuzz/corpus-$(basename "$seeds"); mkdir -p "$corpus"; cp "$seeds"/* "$corpus"/; fi
    "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=4096 -artifact_prefix=build-fuzz/ "$corpus"
done
