#!/usr/bin/env bash
# End to end: open a Chinese RTF file from the command line, type into the
# real editor, close the window, answer Yes at the save prompt, and check what
# landed on disk and in the settings store.
#   e2e_close_saves.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
bin=$(readlink -f "$1")
rtfconv=$(readlink -f "$(dirname "$bin")/../tools/rtfconv/rtfconv")
work=$(mktemp -d)
trap '[ -n "${KEEP_E2E:-}" ] || rm -rf "$work"' EXIT

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$XDG_CONFIG_HOME"
# "你好" in GBK, in a SimSun font entry.
printf '%s\n' '{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fcharset134 \'"'"'cb\'"'"'ce\'"'"'cc\'"'"'e5;}}' \
  '\f0\fs24 \'"'"'c4\'"'"'e3\'"'"'ba\'"'"'c3\par}' > "$work/doc.rtf"

cat > "$work/drive.sh" <<'DRIVE'
set -u
source "$SRC/tests/e2e/x_session.sh"
start_window_manager
"$BIN" "$DOC" >"$WORK/app.log" 2>&1 &
app=$!
win=$(wait_for 'RTF文件编辑器') || { echo "main window not found"; exit 1; }
xdotool windowactivate --sync "$win"
sleep 0.3
xdotool type --delay 30 'Hello '
sleep 0.3
wmctrl -c 'RTF文件编辑器'
box=$(wait_for 'Pennaro') || { echo "save prompt not shown"; exit 1; }
xdotool windowactivate --sync "$box"
xdotool key Return   # Yes is the default button
for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then echo "editor still running"; kill $app; exit 1; fi
wait $app
DRIVE

BIN="$bin" DOC="$work/doc.rtf" WORK="$work" SRC=$(readlink -f "$2") \
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/drive.sh"

text=$("$rtfconv" text "$work/doc.rtf")
if [ "$text" != "Hello 你好" ]; then
  echo "saved text is '$text', expected 'Hello 你好'"; exit 1
fi
ini="$XDG_CONFIG_HOME/Pennaro/Pennaro.ini"
for key in MainLeft MainTop MainWidth MainHeight; do
  grep -q "^$key=-\?[0-9]" "$ini" || { echo "$key missing from $ini"; cat "$ini"; exit 1; }
done
echo "close-and-save: ok"
