#!/usr/bin/env bash
# Every C++ file of the tree follows .clang-format. Pinned to clang-format 14,
# the version Debian ships with the rest of the tool chain, because another
# version lays out a few constructs differently.
#   check_format.sh SOURCE_DIR
set -euo pipefail
cd "$1"
format=$(command -v clang-format-14 || command -v clang-format)
mapfile -d '' files < <(find src tests bench fuzz tools packaging -name '*.cpp' -print0 -o -name '*.h' -print0)
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! "$format" --dry-run --Werror "${files[@]}" 2>"$report"; then
  grep 'error:' "$report" | cut -d: -f1 | sort -u
  echo "These files do not follow .clang-format: run $format -i on them."
  exit 1
fi
echo "${#files[@]} files follow .clang-format"
