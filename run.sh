#!/usr/bin/env bash
# Installs what is missing, builds Pennaro and starts it, optionally on a file:
#   ./run.sh [FILE.rtf]
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" run
"$top/scripts/build.sh" --target pennaro
exec "$top/build/src/pennaro" "$@"
