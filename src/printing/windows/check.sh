#!/usr/bin/env bash
# Builds the Windows registry back end and its test with the MinGW-w64 cross
# compiler and runs the test under Wine, in a Wine prefix of its own.
#   check.sh [OUTPUT_DIR]     (default: build/windows of the source tree)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
out=${1:-$src/../build/windows}
mkdir -p "$out"
out=$(cd "$out" && pwd)

cxx=$(command -v x86_64-w64-mingw32-g++-posix || command -v x86_64-w64-mingw32-g++ || true)
[ -n "$cxx" ] || { echo "missing: the MinGW-w64 C++ cross compiler (g++-mingw-w64-x86-64-posix)" >&2; exit 1; }
command -v wine >/dev/null || { echo "missing: wine" >&2; exit 1; }

"$cxx" -std=c++20 -O2 -Wall -Wextra -Werror -static -I"$src" \
  "$here/windows_registry.cpp" "$src/printing/registry_write.cpp" "$here/test_windows_registry.cpp" \
  -ladvapi32 -o "$out/test_windows_registry.exe"

# No Mono or Gecko offer while the prefix is made, and no debug chatter.
export WINEPREFIX="$out/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine "$out/test_windows_registry.exe"
