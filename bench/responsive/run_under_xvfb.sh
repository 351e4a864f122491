#!/bin/bash
# Runs bench_responsive on a private X server with openbox managing the
# windows (the caret only blinks in an active window):
#   bench/responsive/run_under_xvfb.sh BUILD_DIR [benchmark options]
set -eu
build=$(readlink -f "$1")
shift
for tool in xvfb-run openbox wmctrl; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24" bash -c '
  openbox >/dev/null 2>&1 &
  for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
  "$0" "$@"
  status=$?
  kill %1 2>/dev/null
  exit $status
' "$build/bench/responsive/bench_responsive" "$@"
