#!/usr/bin/env bash
# End to end: printing to a PDF file through Qt's real print dialog, driven
# with the keyboard as a user would, under Xvfb with a window manager.
#   1. A selection, with the dialog switched to "Print all": only the selected
#      text is printed, Chinese included, with its fonts embedded.
#   2. No selection: the whole document, across several pages.
#   3. Cancel: nothing printed, but the printer defaults were written into
#      the registry store.
#   4. The printer's key missing: the dialog still opens, and no key is made.
#   e2e_print_pdf.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/x_session.sh"
prepare_work "$1" xdotool wmctrl openbox pdftotext pdffonts pdfinfo
key="$XDG_CONFIG_HOME/Pennaro/registry/HKEY_LOCAL_MACHINE/System/CurrentControlSet/Control/Print/Printers"
key="$key/EPSON Stylus COLOR 440"
mkdir -p "$key"

# Sixty numbered paragraphs, "第N段 Pennaro 打印测试 N", in a SimSun entry.
{
  printf '%s\n' '{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fnil\fcharset134 SimSun;}}\uc1\f0\fs24'
  for n in $(seq 1 60); do
    printf '\\u31532?%d\\u27573? Pennaro \\u25171?\\u21360?\\u27979?\\u35797? %d\\par\n' "$n" "$n"
  done
  printf '}\n'
} > "$work/doc.rtf"
paragraph() { echo "第$1段 Pennaro 打印测试 $1"; }

cat > "$work/drive.sh" <<'DRIVE'
set -u
source "$SRC/tests/e2e/x_session.sh"
start_editor
main=$win
open_print_dialog() {
  xdotool windowactivate --sync "$main"
  sleep 0.3
  xdotool key ctrl+p
  dialog=$(wait_for Print) || fail "print dialog not shown"
  xdotool windowactivate --sync "$dialog"
  sleep 0.3
}
# In the dialog: Name (Alt+N), then two Tabs to the output file's name.
print_to() {
  xdotool key alt+n Tab Tab ctrl+a
  xdotool type --delay 10 "$1"
}

# 1. The first paragraph selected; the range switched to "Print all"
#    (Options, then from the file name past "..." and the tab bar).
xdotool windowactivate --sync "$main"
xdotool key ctrl+Home shift+End
open_print_dialog
# The options grow the dialog; the keys after them go to what they show, so
# they wait for it (a slow build takes longer than any fixed pause).
height() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^HEIGHT=//p'; }
before=$(height "$dialog")
xdotool key alt+o
for _ in $(seq 100); do
  [ "$(height "$dialog")" != "$before" ] && break
  sleep 0.1
done
sleep 0.3
print_to "$WORK/selection.pdf"
xdotool key Tab Tab Tab space Return
gone Print || fail "the print dialog stayed open"

# 2. No selection: the caret at the end.
xdotool windowactivate --sync "$main"
xdotool key ctrl+End
open_print_dialog
print_to "$WORK/whole.pdf"
xdotool key Return
gone Print || fail "the print dialog stayed open"

# 3. Cancel, after the value was taken away: it must be back.
rm -f "$KEY/Default DevMode"
open_print_dialog
xdotool key Escape
gone Print || fail "Escape did not close the print dialog"
[ -f "$KEY/Default DevMode" ] || fail "Cancel: the printer defaults were not written"
cp "$KEY/Default DevMode" "$WORK/value.txt"

# 4. No printer key: the dialog still opens, and nothing is created.
rm -rf "$KEY"
open_print_dialog
xdotool key Escape
gone Print || fail "Escape did not close the print dialog"
[ ! -e "$KEY" ] || fail "the printer's key was created"

wmctrl -c 'RTF文件编辑器'
for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then fail "editor still running"; fi
wait $app
DRIVE

BIN="$bin" DOC="$work/doc.rtf" WORK="$work" KEY="$key" SRC=$(readlink -f "$2") run_x_session "$work/drive.sh"

fail() { echo "FAIL: $*"; exit 1; }
for pdf in selection whole; do
  [ -s "$work/$pdf.pdf" ] || fail "$pdf.pdf was not written"
done
[ "$(find "$work" -maxdepth 1 -name '*.pdf' | wc -l)" -eq 2 ] || fail "a cancelled print wrote a file: $(ls "$work")"

# 1: the selected paragraph alone, its fonts embedded.
text=$(pdftotext -enc UTF-8 "$work/selection.pdf" - | tr -d '\f' | sed '/^$/d')
[ "$text" = "$(paragraph 1)" ] || fail "selection printed '$text'"
fonts=$(pdffonts "$work/selection.pdf" | tail -n +3)
[ -n "$fonts" ] || fail "no fonts in selection.pdf"
# The "emb" column, fifth from the end of each row.
if echo "$fonts" | awk '{ if ($(NF-4) != "yes") bad = 1 } END { exit !bad }'; then
  fail "fonts not embedded: $fonts"
fi

# 2: every paragraph, in order, on more than one page.
pages=$(pdfinfo "$work/whole.pdf" | sed -n 's/^Pages: *//p')
[ "$pages" -ge 2 ] || fail "the whole document printed on $pages page(s)"
expected=$(for n in $(seq 1 60); do paragraph "$n"; done)
got=$(pdftotext -enc UTF-8 "$work/whole.pdf" - | tr -d '\f' | sed '/^$/d')
[ "$got" = "$expected" ] ||
  fail "the whole document printed differently: $(diff <(echo "$expected") <(echo "$got") | head)"

# 3: the value as the store keeps it: the type, the size and the record's
# first sixteen bytes ("EPSON Stylus COL"), then the rest of the 442.
head -n 4 "$work/value.txt" > "$work/value-head.txt"
printf '%s\n' PENNARO-REGISTRY-VALUE 'type 3 REG_BINARY' 'size 442' \
  '45 50 53 4f 4e 20 53 74 79 6c 75 73 20 43 4f 4c' | cmp -s - "$work/value-head.txt" ||
  fail "the stored value begins: $(cat "$work/value-head.txt")"
[ "$(tail -n +4 "$work/value.txt" | wc -w)" -eq 442 ] || fail "the stored value does not hold 442 bytes"
echo "print to PDF: ok ($pages pages)"
