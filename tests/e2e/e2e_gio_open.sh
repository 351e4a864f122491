#!/usr/bin/env bash
# End to end: opening an RTF file from a file manager. The built desktop
# entry is installed in a private XDG_DATA_HOME and made the default for
# text/rtf; `gio open FILE` (what a file manager does on a double click) must
# then start Pennaro on that file, also when its path has blanks and Chinese
# characters. A word typed into the window and saved at the closing prompt
# lands in that very file.
#   e2e_gio_open.sh PENNARO_BINARY SOURCE_DIR
set -euo pipefail
source "$2/tests/e2e/x_session.sh"
prepare_work "$1" xdotool wmctrl openbox gio
source_dir=$(readlink -f "$2")

entries=("$(dirname "$bin")"/../packaging/*.desktop)
[ -f "${entries[0]}" ] || { echo "no desktop entry in the build"; exit 1; }
entry=$(basename "${entries[0]}")
# The entry runs "pennaro" from the PATH, as an installed one would.
export XDG_DATA_HOME="$work/data" PATH="$work/bin:$PATH"
mkdir -p "$XDG_DATA_HOME/applications" "$work/bin"
cp "${entries[0]}" "$XDG_DATA_HOME/applications/"
# The editor gio starts is no child of this script: it leaves its process id
# behind, to be waited for, or ended should its window not come.
cat > "$work/bin/pennaro" <<WRAP
#!/bin/sh
echo \$\$ > "$work/editor.pid"
exec "$bin" "\$@"
WRAP
chmod +x "$work/bin/pennaro"
gio mime text/rtf "$entry" >/dev/null
default=$(gio mime text/rtf | sed -n 1p)
[ "${default##*: }" = "$entry" ] || { echo "not the default for text/rtf: $default"; exit 1; }

mkdir -p "$work/docs" "$work/我的 文档"
cp "$source_dir/tests/shell/fixtures/chinese.rtf" "$work/docs/plain.rtf"
cp "$source_dir/tests/shell/fixtures/chinese.rtf" "$work/我的 文档/中文 文档.rtf"
original=$("$rtfconv" text "$work/docs/plain.rtf")

cat > "$work/drive.sh" <<'DRIVE'
set -u
source "$SRC/tests/e2e/x_session.sh"
start_window_manager
for doc in "$WORK/docs/plain.rtf" "$WORK/我的 文档/中文 文档.rtf"; do
  rm -f "$WORK/editor.pid"
  gio open "$doc" >>"$WORK/app.log" 2>&1 || fail "gio open $doc"
  for _ in $(seq 100); do [ -s "$WORK/editor.pid" ] && break; sleep 0.1; done
  app=$(cat "$WORK/editor.pid" 2>/dev/null) || fail "gio open $doc did not start pennaro"
  win=$(wait_for 'RTF文件编辑器') || { kill "$app"; fail "gio open $doc: no window"; }
  xdotool windowactivate --sync "$win"
  sleep 0.3
  xdotool key ctrl+Home
  xdotool type --delay 30 'gio '
  sleep 0.3
  # Yes at the closing prompt saves in place.
  answer_close_prompt
  wait_end || fail "editor still running"
done
DRIVE

WORK="$work" SRC="$source_dir" run_x_session "$work/drive.sh"

expect_saved_text "$work/docs/plain.rtf" "gio $original"
expect_saved_text "$work/我的 文档/中文 文档.rtf" "gio $original"
echo "gio open: ok"
