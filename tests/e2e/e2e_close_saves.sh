#!/usr/bin/env bash
# End to end: open a Chinese RTF file from the command line, type into the
# real editor, close the window, answer Yes at the save prompt, and check what
# landed on disk and in the settings store.
#   e2e_close_saves.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
source "$2/tests/e2e/x_session.sh"
prepare_work "$1" xdotool wmctrl openbox
# "你好" in GBK, in a SimSun font entry.
printf '%s\n' '{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fcharset134 \'"'"'cb\'"'"'ce\'"'"'cc\'"'"'e5;}}' \
  '\f0\fs24 \'"'"'c4\'"'"'e3\'"'"'ba\'"'"'c3\par}' > "$work/doc.rtf"

cat > "$work/drive.sh" <<'DRIVE'
set -u
source "$SRC/tests/e2e/x_session.sh"
start_editor
xdotool type --delay 30 'Hello '
sleep 0.3
close_saving
DRIVE

BIN="$bin" DOC="$work/doc.rtf" WORK="$work" SRC=$(readlink -f "$2") run_x_session "$work/drive.sh"

expect_saved_text "$work/doc.rtf" "Hello 你好"
ini="$XDG_CONFIG_HOME/Pennaro/Pennaro.ini"
for key in MainLeft MainTop MainWidth MainHeight; do
  grep -q "^$key=-\?[0-9]" "$ini" || { echo "$key missing from $ini"; cat "$ini"; exit 1; }
done
echo "close-and-save: ok"
