#!/usr/bin/env bash
# End to end: the system clipboard between the real editor and another X
# client (xclip). Text copied with Ctrl+C in the editor is pasted elsewhere as
# plain UTF-8 text, its bold left behind and no rich format offered; plain
# text put on the clipboard elsewhere is pasted with Ctrl+V as typed, and RTF
# markup put there is pasted as the formatted text it describes. The result is
# saved through the close prompt and read back.
#   e2e_clipboard.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
source "$2/tests/e2e/x_session.sh"
prepare_work "$1" xdotool wmctrl openbox xclip
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
start_editor

# What another program gets when it pastes, waiting for the owner to answer.
clipboard() {
  for _ in $(seq 50); do
    out=$(xclip -o -selection clipboard "$@" 2>/dev/null) && { printf '%s' "$out"; return 0; }
    sleep 0.1
  done
  return 1
}

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

close_saving
DRIVE

BIN="$bin" DOC="$work/doc.rtf" WORK="$work" SRC=$(readlink -f "$2") run_x_session "$work/drive.sh"

expect_saved_text "$work/doc.rtf" "复制 copy me 外部 paste粗体"
# The runs: the bold "copy" stays where it was, the pasted plain text is not
# bold, the pasted markup is.
expect_runs "$work/doc.rtf" 6 "0+3:0 3+4:1 7+12:0 19+2:1"
echo "clipboard: ok"
