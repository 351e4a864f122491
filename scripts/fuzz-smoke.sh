#!/usr/bin/env bash
# Builds the RTF reader's fuzzer with clang (ASan + UBSan) and runs it briefly
# on the committed seeds: any crash, leak or sanitizer report fails the run.
#   scripts/fuzz-smoke.sh [SECONDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
seconds=${1:-60}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DPENNARO_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j "$(nproc)" --target fuzz_rtf_reader
work=$(mktemp -d)
cp -r "$top/fuzz/corpus/." "$work/"
log=$(mktemp)
trap 'rm -rf "$work" "$log"' EXIT
# The fuzzer's progress lines (#N ...) run to thousands; a fault's report
# (the input's text, what differed, the stack, the crash file) is kept whole.
if ! "$build/fuzz/fuzz_rtf_reader" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 "$work" >"$log" 2>&1; then
  grep -v '^#' "$log" | tail -n 300
  echo "fuzz smoke: a fault in ${seconds}s (the input is the crash-* file named above)"
  exit 1
fi
tail -n 15 "$log"
echo "fuzz smoke: no faults in ${seconds}s"
