#!/usr/bin/env bash
# End to end, the whole story of one document, as a user tells it: open a
# Chinese RTF file from the command line, select a word, make it bold from
# the toolbar, make it larger with Up, colour it, Find All another word, copy
# a sentence and paste it at the end, print the selection to PDF, save with
# the toolbar's Save, close, reopen, and find every change and every other
# character intact: in the file, in the printout, and in the reopened editor.
#   e2e_user_story.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
source "$2/tests/e2e/x_session.sh"
prepare_work "$1" xdotool wmctrl openbox xclip pdftotext pdffonts

# Two paragraphs in GBK, in a 宋体 font entry, 12 points:
#   春天来了，花朵开了。
#   我们去公园散步，公园里人很多。
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK | od -An -v -tx1 | tr -d ' \n' | sed "s/../\\\\'&/g"; }
{
  printf '{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 %s;}}\n' "$(gbk 宋体)"
  printf '\\pard\\f0\\fs24 %s\\par\n%s}\n' "$(gbk 春天来了，花朵开了。)" "$(gbk 我们去公园散步，公园里人很多。)"
} > "$work/春天.rtf"
first='春天来了，花朵开了。'
second='我们去公园散步，公园里人很多。'
expect_saved_text "$work/春天.rtf" "$first
$second"

cat > "$work/drive.sh" <<'DRIVE'
set -u
source "$SRC/tests/e2e/x_session.sh"
# Places on the window, in pixels from its client area's top left corner
# (menu bar included), as the toolbar lays out its 16-pixel buttons.
click() { xdotool mousemove --window "$win" $1 $2; sleep 0.2; xdotool click 1; sleep 0.5; }
save_button="65 32" print_button="97 32" bold_button="211 32" color_button="293 32" up_button="325 32"
# in_dialog TITLE: waits for the dialog and gives it the keyboard.
in_dialog() {
  dialog=$(wait_for "$1") || fail "no dialog '$1'"
  xdotool windowactivate --sync "$dialog"
  sleep 0.3
}

start_editor
# The word 花朵 (the sixth and seventh characters): bold, one point larger,
# dark red.
xdotool key ctrl+Home Right Right Right Right Right shift+Right shift+Right
sleep 0.3
click $bold_button
click $up_button
click $color_button
in_dialog 'Select Color'
xdotool key alt+h ctrl+a
xdotool type --delay 20 '#c00000'
xdotool key Return
gone 'Select Color' || fail "the colour dialog stayed open"

# Find All 公园 from the Edit menu: both turn blue.
xdotool windowactivate --sync "$win"
open_menu e
xdotool key l
in_dialog '输入搜寻串'
# Typed through the clipboard: xdotool types Chinese unreliably.
printf '公园' | xclip -selection clipboard
xdotool key ctrl+v Return
gone '输入搜寻串' || fail "the find prompt stayed open"
sleep 0.5

# The second sentence, copied and pasted at the end.
xdotool windowactivate --sync "$win"
xdotool key ctrl+Home Down Home shift+End ctrl+c
sleep 0.3
xdotool key ctrl+End ctrl+v
sleep 0.3

# The first sentence, printed to PDF.
xdotool key ctrl+Home shift+End
sleep 0.3
click $print_button
in_dialog Print
xdotool key alt+n Tab Tab ctrl+a
xdotool type --delay 10 "$WORK/selection.pdf"
xdotool key Return
gone Print || fail "the print dialog stayed open"

# Saved in place with the toolbar's Save, so closing asks nothing.
xdotool windowactivate --sync "$win"
click $save_button
wmctrl -c 'RTF文件编辑器'
wait_end || fail "the editor did not end when closed after saving"

# Reopened: everything there, and nothing to save.
start_editor
open_menu e
xdotool key a   # Select &All
xdotool key ctrl+c
# The clipboard went with the first editor; it holds text again once this
# one has done the copy (up to 10 s).
for _ in $(seq 100); do
  xclip -o -selection clipboard >"$WORK/reopened.txt" 2>/dev/null && [ -s "$WORK/reopened.txt" ] && break
  sleep 0.1
done
wmctrl -c 'RTF文件编辑器'
wait_end || fail "the reopened document was modified: closing it asked to save"
DRIVE

BIN="$bin" DOC="$work/春天.rtf" WORK="$work" SRC=$(readlink -f "$2") run_x_session "$work/drive.sh"

fail() { echo "FAIL: $*"; exit 1; }
expected="$first
$second$second"
expect_saved_text "$work/春天.rtf" "$expected"
[ "$(cat "$work/reopened.txt")" = "$expected" ] || fail "the reopened editor holds '$(cat "$work/reopened.txt")'"

# Runs (each within its paragraph): start, length, font, size, colour, bold.
# 花朵 bold, 13 points, dark red; both 公园 of the second paragraph blue;
# the pasted copy plain, like the character before it.
runs=$("$rtfconv" dump "$work/春天.rtf" | cut -f 1-6)
expected_runs=$(printf '%s\t%s\t宋体\t%s\t%s\t%s\n' \
  0 5 12 auto 0 \
  5 2 13 '#c00000' 1 \
  7 3 12 auto 0 \
  11 3 12 auto 0 \
  14 2 12 '#0000ff' 0 \
  16 3 12 auto 0 \
  19 2 12 '#0000ff' 0 \
  21 20 12 auto 0)
[ "$runs" = "$expected_runs" ] || fail "the saved runs are
$runs
expected
$expected_runs"

# The printout: the first sentence alone, in the CJK serif 宋体 falls back to.
# (pdftotext reads characters whose glyph is also a Kangxi radical, such as
# 儿, as the radical; the sentence has none.)
printed=$(pdftotext -enc UTF-8 "$work/selection.pdf" - | tr -d '\f' | sed '/^$/d')
[ "$printed" = "$first" ] || fail "printed '$printed'"
pdffonts "$work/selection.pdf" | grep -q NotoSerifCJK || fail "the printout's fonts: $(pdffonts "$work/selection.pdf")"
echo "user story: ok"
