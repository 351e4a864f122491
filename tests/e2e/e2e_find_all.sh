#!/usr/bin/env bash
# End to end: Find All from the real Edit menu. Its prompt is answered, every
# occurrence turns blue whatever its case, and its Ctrl+Home reaches the
# editing area once the prompt has closed, so that the next key typed lands at
# the start of the document. The result is saved through the close prompt
# and read back.
#   e2e_find_all.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
bin=$(readlink -f "$1")
rtfconv=$(readlink -f "$(dirname "$bin")/../tools/rtfconv/rtfconv")
for tool in xvfb-run xdotool wmctrl openbox; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap '[ -n "${KEEP_E2E:-}" ] || rm -rf "$work"' EXIT

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$XDG_CONFIG_HOME"
# "Pennaro finds pennaro, 中文 PENNARO" with 中文 in GBK.
printf '%s\n' '{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fcharset134 \'"'"'cb\'"'"'ce\'"'"'cc\'"'"'e5;}}' \
  '\f0\fs24 Pennaro finds pennaro, \'"'"'d6\'"'"'d0\'"'"'ce\'"'"'c4 PENNARO\par}' > "$work/doc.rtf"

cat > "$work/drive.sh" <<'DRIVE'
set -u
source "$SRC/tests/e2e/x_session.sh"
fail() { echo "FAIL: $*"; cat "$WORK/app.log"; exit 1; }
start_window_manager
"$BIN" "$DOC" >"$WORK/app.log" 2>&1 &
app=$!
win=$(wait_for 'RTF文件编辑器') || fail "main window not found"
xdotool windowactivate --sync "$win"
sleep 0.3
xdotool key ctrl+End alt+e
sleep 0.3
xdotool key l   # Find al&l
prompt=$(wait_for '输入搜寻串') || fail "Find All's prompt not shown"
xdotool windowactivate --sync "$prompt"
xdotool type --delay 30 'pennaro'
xdotool key Return
sleep 0.5
xdotool windowactivate --sync "$win"
xdotool type --delay 30 '>'

wmctrl -c 'RTF文件编辑器'
box=$(wait_for 'Pennaro') || fail "save prompt not shown"
xdotool windowactivate --sync "$box"
xdotool key Return   # Yes is the default button
for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then kill $app; fail "editor still running"; fi
wait $app
DRIVE

# Display numbers from a random start: two test runs picking the same free
# number at once would share a server.
BIN="$bin" DOC="$work/doc.rtf" WORK="$work" SRC=$(readlink -f "$2") \
  timeout 120 xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24" bash "$work/drive.sh"

text=$("$rtfconv" text "$work/doc.rtf")
expected=">Pennaro finds pennaro, 中文 PENNARO"
if [ "$text" != "$expected" ]; then
  echo "saved text is '$text', expected '$expected'"; exit 1
fi
# The three matches are blue, and so is the ">": typed at the start of a
# paragraph, a character takes the format of the one it goes before.
blue=$("$rtfconv" dump "$work/doc.rtf" | awk -F'\t' '$5 == "#0000ff" { print $1 "+" $2 }' | tr '\n' ' ')
if [ "$blue" != "0+8 15+7 27+7 " ]; then
  echo "blue runs: '$blue'"; "$rtfconv" dump "$work/doc.rtf"; exit 1
fi
echo "find all: ok"
