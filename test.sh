#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test, headless.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" test
"$top/scripts/build.sh"
# A short run of the RTF reader's fuzzer on its seeds (its own clang build):
# a minute, or PENNARO_FUZZ_SECONDS (CI gives it two).
"$top/scripts/fuzz-smoke.sh" "${PENNARO_FUZZ_SECONDS:-60}"
# The Windows registry back end, cross-compiled with MinGW-w64, under Wine.
"$top/src/printing/windows/check.sh" "$top/build/windows"
export QT_QPA_PLATFORM=offscreen
cd "$top/build"
ctest --output-on-failure -j 2
