#!/usr/bin/env bash
# End to end: the system clipboard between the real editor and another X
# client (xclip). Text copied with Ctrl+C in the editor is pasted elsewhere as
# plain UTF-8 text, its bold left behind and no rich format offered; plain
# text put on the clipboard elsewhere is pasted with Ctrl+V as typed, and RTF
# markup put there is pasted as the formatted text it describes. The result is
# saved through the close prompt and read back.
#   e2e_clipboard.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
bin=$(readlink -f "$1")
rtfconv=$(readlink -f "$(dirname "$bin")/../tools/rtfconv/rtfconv")
for tool in xvfb-run xdotool wmctrl openbox xclip; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap '[ -n "${KEEP_E2E:-}" ] || rm -rf "$work"' EXIT

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$XDG_CONFIG_HOME"
# "复制 copy me" in GBK, with "copy" bold.
printf '%s\n' '{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fcharset134 \'"'"'cb\'"'"'ce\'"'"'cc\'"'"'e5;}}' \
  '\f0\fs24 \'"'"'b8\'"'"'b4\'"'"'d6\'"'"'c6 {\b copy} me\par}' > "$work/doc.rtf"
# RTF source as another program would put it on the clipboard as text:
# "粗体" in bold.
printf '%s' '{\rtf1\ansi\ansicpg936{\fonttbl{\f0\fcharset134 SimSun;}}\f0{\b \'"'"'b4\'"'"'d6\'"'"'cc\'"'"'e5}}' \
  > "$work/markup.txt"

cat > "$work/drive.sh" <<'DRIVE'
set -u
source "$SRC/tests/e2e/x_session.sh"
fail() { echo "FAIL: $*"; cat "$WORK/app.log"; exit 1; }
start_window_manager
"$BIN" "$DOC" >"$WORK/app.log" 2>&1 &
app=$!
# What another program gets when it pastes, waiting for the owner to answer.
clipboard() {
  for _ in $(seq 50); do
    out=$(xclip -o -selection clipboard "$@" 2>/dev/null) && { printf '%s' "$out"; return 0; }
    sleep 0.1
  done
  return 1
}
win=$(wait_for 'RTF文件编辑器') || fail "main window not found"
xdotool windowactivate --sync "$win"
sleep 0.3

# Copy in the editor, paste elsewhere.
xdotool key ctrl+Home ctrl+shift+End ctrl+c
sleep 0.3
copied=$(clipboard) || fail "nothing to paste from the editor"
[ "$copied" = "复制 copy me" ] || fail "pasted elsewhere: '$copied'"
targets=$(clipboard -t TARGETS) || fail "no clipboard targets"
echo "$targets" | grep -qx 'UTF8_STRING' || fail "no UTF-8 text offered: $targets"
if echo "$targets" | grep -qiE 'html|rtf|richtext'; then fail "a rich format was offered: $targets"; fi

# Copy elsewhere, paste in the editor: plain text, then RTF markup.
printf '%s' ' 外部 paste' | xclip -i -selection clipboard
sleep 0.2
xdotool key ctrl+End ctrl+v
sleep 0.3
xclip -i -selection clipboard < "$WORK/markup.txt"
sleep 0.2
xdotool key ctrl+v
sleep 0.3

wmctrl -c 'RTF文件编辑器'
box=$(wait_for 'Pennaro') || fail "save prompt not shown"
xdotool windowactivate --sync "$box"
xdotool key Return   # Yes is the default button
for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then kill $app; fail "editor still running"; fi
wait $app
DRIVE

# Display numbers from a random start: two test runs picking the same free
# number at once would share a server, and a clipboard.
BIN="$bin" DOC="$work/doc.rtf" WORK="$work" SRC=$(readlink -f "$2") \
  timeout 120 xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24" bash "$work/drive.sh"

text=$("$rtfconv" text "$work/doc.rtf")
expected="复制 copy me 外部 paste粗体"
if [ "$text" != "$expected" ]; then
  echo "saved text is '$text', expected '$expected'"; exit 1
fi
# The runs: the bold "copy" stays where it was, the pasted plain text is not
# bold, the pasted markup is.
runs=$("$rtfconv" dump "$work/doc.rtf" | awk -F'\t' '{ print $1 "+" $2 ":" $6 }' | tr '\n' ' ')
if [ "$runs" != "0+3:0 3+4:1 7+12:0 19+2:1 " ]; then
  echo "unexpected runs: $runs"; "$rtfconv" dump "$work/doc.rtf"; exit 1
fi
echo "clipboard: ok"
