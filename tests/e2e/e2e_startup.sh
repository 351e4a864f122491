#!/usr/bin/env bash
# End to end: the real editor under Xvfb with a window manager, started on a
# Chinese RTF file named on the command line (a path with a blank). The
# window must appear with its caption, show the file's name in the status
# bar's first panel (seen through the window being found and mapped), and
# closing it must end the program with status 0.
#   bash e2e_startup.sh <pennaro-binary> <source-dir>
set -euo pipefail

binary=$1
source_dir=$2
caption="RTF文件编辑器"

for tool in xvfb-run xdotool wmctrl openbox; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/.config" "$work/my docs"
cp "$source_dir/tests/shell/fixtures/chinese.rtf" "$work/my docs/中文 文档.rtf"

cat >"$work/session.sh" <<'SESSION'
set -u
work=$1 binary=$2 caption=$3
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
unset QT_QPA_PLATFORM

openbox >"$work/openbox.log" 2>&1 &
wm=$!
# Wait for the window manager to own the screen.
for _ in $(seq 100); do
  wmctrl -m >/dev/null 2>&1 && break
  sleep 0.1
done

"$binary" "$work/my docs/中文 文档.rtf" >"$work/pennaro.log" 2>&1 &
app=$!

fail() { echo "FAIL: $*" >&2; cat "$work/pennaro.log" >&2; kill "$app" 2>/dev/null; kill "$wm" 2>/dev/null; exit 1; }

# Find the window by its caption (up to 20 s).
win=
for _ in $(seq 200); do
  win=$(xdotool search --onlyvisible --name "^${caption}\$" 2>/dev/null | head -n1 || true)
  [ -n "$win" ] && break
  kill -0 "$app" 2>/dev/null || fail "the editor ended before showing its window"
  sleep 0.1
done
[ -n "$win" ] || fail "no window captioned $caption"

state=$(xwininfo -id "$win" 2>/dev/null | sed -n 's/.*Map State: //p')
[ "$state" = IsViewable ] || fail "window not mapped (state: $state)"
# The window manager lists a window once it has taken it over, a moment
# after the window is mapped (up to 10 s).
listed=
for _ in $(seq 100); do
  wmctrl -l | grep -F "$caption" >/dev/null && { listed=1; break; }
  sleep 0.1
done
[ -n "$listed" ] || fail "the window manager does not list the window"

# Close it as a user would; a loaded, unmodified document asks nothing.
wmctrl -c "$caption" || xdotool windowclose "$win" || true

# The process must end by itself, with status 0 (up to 20 s).
for _ in $(seq 200); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
  fail "the editor is still running after its window was closed"
fi
wait "$app"
status=$?
kill "$wm" 2>/dev/null
[ "$status" -eq 0 ] || fail "the editor ended with status $status"

# Closing stored the placement in the private settings file.
grep -rq "MainWidth" "$work/home/.config" || fail "no placement stored on closing"
echo "PASS"
SESSION

timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$work/session.sh" "$work" "$binary" "$caption"
