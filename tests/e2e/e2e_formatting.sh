#!/usr/bin/env bash
# End to end: open a Chinese RTF file from the command line, select its first
# word with the keyboard, click Bold on the toolbar, pick a font from the
# font-name box, copy the word through the editing area's context menu,
# save with the toolbar's Save button and close. The file must then hold
# every character as before, with the word bold and in the picked font, and
# the clipboard the word.
#   e2e_formatting.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
bin=$(readlink -f "$1")
source_dir=$2
rtfconv=$(readlink -f "$(dirname "$bin")/../tools/rtfconv/rtfconv")
work=$(mktemp -d)
trap '[ -n "${KEEP_E2E:-}" ] || rm -rf "$work"' EXIT

for tool in xvfb-run xdotool wmctrl openbox xwininfo xclip; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$XDG_CONFIG_HOME"
doc="$work/中文.rtf"
cp "$source_dir/tests/shell/fixtures/chinese.rtf" "$doc"
original_text=$("$rtfconv" text "$doc")
font="WenQuanYi Micro Hei"   # installed by scripts/setup.sh

cat > "$work/drive.sh" <<'DRIVE'
set -u
unset QT_QPA_PLATFORM LANGUAGE
export LANG=C.UTF-8 LC_ALL=C.UTF-8   # the font list under its English names
openbox >/dev/null 2>&1 &
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
"$BIN" "$DOC" >"$WORK/app.log" 2>&1 &
app=$!
fail() { echo "FAIL: $*"; cat "$WORK/app.log"; kill $app 2>/dev/null; exit 1; }
win=
for _ in $(seq 200); do
  win=$(xdotool search --onlyvisible --name '^RTF文件编辑器$' 2>/dev/null | head -n 1)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "main window not found"
xdotool windowactivate --sync "$win"
sleep 0.5
# Places on the window, in pixels from its client area's top left corner
# (menu bar included), as the toolbar lays out its 16-pixel buttons.
at() { xdotool mousemove --window "$win" "$1" "$2"; sleep 0.2; }
save_button="65 32" bold_button="211 32" font_box_arrow="623 32" editing_area="300 200"

# The first word, "你好", selected with the keyboard.
xdotool key ctrl+Home shift+Right shift+Right
sleep 0.3
at $bold_button; xdotool click 1; sleep 0.3
# A pick from the font-name box's list: open it, find the font by typing
# the start of its name, take it with Enter.
at $font_box_arrow; xdotool click 1; sleep 0.5
xdotool type --delay 40 'WenQ'; sleep 0.2
xdotool key Return; sleep 0.3
# The right button opens the Edit menu at the pointer; C chooses Copy.
at $editing_area; xdotool click 3; sleep 0.5
xdotool key c; sleep 0.5
xclip -o -selection clipboard >"$WORK/clipboard.txt" 2>/dev/null || true
at $save_button; xdotool click 1; sleep 0.5
# Saved, so closing asks nothing.
wmctrl -c 'RTF文件编辑器'
for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then
  import -window root "$WORK/stuck.png" 2>/dev/null
  fail "editor still running after closing (a prompt?)"
fi
wait $app
DRIVE

BIN="$bin" DOC="$doc" WORK="$work" \
  timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$work/drive.sh"

text=$("$rtfconv" text "$doc")
if [ "$text" != "$original_text" ]; then
  echo "FAIL: saved text is '$text', expected '$original_text'"; exit 1
fi
# Runs: start, length, font, size, colour, bold, italic, underline, strike.
runs=$("$rtfconv" dump "$doc")
first=$(printf '%s\n' "$runs" | head -n 1)
expected=$(printf '0\t2\t%s\t12\tauto\t1\t0\t0\t0' "$font")
if [ "$first" != "$expected" ]; then
  echo "FAIL: the word's run is '$first', expected '$expected'"; printf '%s\n' "$runs"; exit 1
fi
if ! printf '%s\n' "$runs" | sed -n 2p | grep -q $'^2\t'; then
  echo "FAIL: the formatting reaches past the word"; printf '%s\n' "$runs"; exit 1
fi

# The Edit menu's Copy put the word on the clipboard, as plain text.
if [ "$(cat "$work/clipboard.txt")" != "你好" ]; then
  echo "FAIL: the clipboard holds '$(cat "$work/clipboard.txt")', expected '你好'"; exit 1
fi
echo "formatting: ok"
