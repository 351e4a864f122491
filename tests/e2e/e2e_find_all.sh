#!/usr/bin/env bash
# End to end: Find All from the real Edit menu. Its prompt is answered, every
# occurrence turns blue whatever its case, and its Ctrl+Home reaches the
# editing area once the prompt has closed, so that the next key typed lands at
# the start of the document. The result is saved through the close prompt
# and read back.
#   e2e_find_all.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
source "$2/tests/e2e/x_session.sh"
prepare_work "$1" xdotool wmctrl openbox
# "Pennaro finds pennaro, 中文 PENNARO" with 中文 in GBK.
printf '%s\n' '{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fcharset134 \'"'"'cb\'"'"'ce\'"'"'cc\'"'"'e5;}}' \
  '\f0\fs24 Pennaro finds pennaro, \'"'"'d6\'"'"'d0\'"'"'ce\'"'"'c4 PENNARO\par}' > "$work/doc.rtf"

cat > "$work/drive.sh" <<'DRIVE'
set -u
source "$SRC/tests/e2e/x_session.sh"
start_editor
xdotool key ctrl+End
open_menu e
xdotool key l   # Find al&l
prompt=$(wait_for '输入搜寻串') || fail "Find All's prompt not shown"
xdotool windowactivate --sync "$prompt"
xdotool type --delay 30 'pennaro'
xdotool key Return
sleep 0.5
xdotool windowactivate --sync "$win"
xdotool type --delay 30 '>'
close_saving
DRIVE

BIN="$bin" DOC="$work/doc.rtf" WORK="$work" SRC=$(readlink -f "$2") run_x_session "$work/drive.sh"

expect_saved_text "$work/doc.rtf" ">Pennaro finds pennaro, 中文 PENNARO"
# The three matches are blue, and so is the ">": typed at the start of a
# paragraph, a character takes the format of the one it goes before.
expect_runs "$work/doc.rtf" 5 "0+8:#0000ff 8+7:auto 15+7:#0000ff 22+5:auto 27+7:#0000ff"
echo "find all: ok"
