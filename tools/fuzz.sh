#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given seconds (default 20),
# starting from its seed folder tests/fuzz/corpus/<target>/ when there is one.
set -euo pipefail
seconds=${1:-20}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNOLT_FUZZ=ON -DZARNOLT_WERROR=ON
         -DZARNOLT_BUILD_TESTS=OFF -DZARNOLT_BUILD_BENCH=OFF -DZARNOLT_BUILD_RENDER=OFF)
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz "${options[@]}"
fi
cmake --build build-fuzz --target fuzzers -j "$(nproc)"
shopt -s nullglob
for fuzzer in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  work=$(mktemp -d)
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds+=("tests/fuzz/corpus/$name")
  echo "-- $name for ${seconds}s"
  (cd "$work" && "$root/$fuzzer" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
     -print_final_stats=0 "$work" "${seeds[@]/#/$root/}" >"$work/log" 2>&1) || {
    tail -n 60 "$work/log"
    echo "fuzz target $name failed" >&2
    exit 1
  }
  rm -rf "$work"
done
