# Helpers for the end-to-end scripts that drive the editor in a private X
# server. A test script sources this file for prepare_work, run_x_session
# and the expect_ checks; the session script it runs sources it again for
# the rest. The session script finds BIN
# (the editor), DOC (the file it opens), WORK (a scratch folder) and SRC (the
# source tree) in its environment.

# prepare_work BINARY TOOL...: checks that xvfb-run and the tools are
# installed; sets bin (the editor) and rtfconv (next to it in the build),
# makes the scratch folder work (removed at the end unless KEEP_E2E is set)
# and a private home in it for the settings.
prepare_work() {
  bin=$(readlink -f "$1")
  rtfconv=$(readlink -f "$(dirname "$bin")/../tools/rtfconv/rtfconv")
  shift
  for tool in xvfb-run "$@"; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
  done
  work=$(mktemp -d)
  trap '[ -n "${KEEP_E2E:-}" ] || rm -rf "$work"' EXIT
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
  mkdir -p "$XDG_CONFIG_HOME"
}

# expect_saved_text FILE TEXT: the file, read as the editor reads it, holds
# exactly TEXT.
expect_saved_text() {
  local text
  text=$("$rtfconv" text "$1")
  if [ "$text" != "$2" ]; then
    echo "saved text is '$text', expected '$2'"; exit 1
  fi
}

# expect_runs FILE COLUMN TEXT: the file's format runs as rtfconv dump
# lists them, each written start+length:value with the value from the given
# column (5 colour, 6 bold), one space between, read exactly TEXT.
expect_runs() {
  local runs
  runs=$("$rtfconv" dump "$1" | awk -F'\t' -v c="$2" '{ printf "%s%s+%s:%s", (NR > 1 ? " " : ""), $1, $2, $c }')
  if [ "$runs" != "$3" ]; then
    echo "runs are '$runs', expected '$3'"; "$rtfconv" dump "$1"; exit 1
  fi
}

# run_x_session SCRIPT: runs bash SCRIPT under Xvfb, 1280 x 1024. Display
# numbers are tried from a random start: two test runs picking the same free
# number at once would share a server, and its clipboard. The server must not
# reset when its last client leaves: a window manager connecting while it
# resets (after a probe such as xprop, or between two editors) is refused.
run_x_session() {
  timeout 180 xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24 -noreset" bash "$1"
}

# start_window_manager: the real X server rather than the test suite's
# offscreen platform, and openbox, waited for (up to 10 s) until it can
# activate windows; its messages are in WORK/openbox.log.
start_window_manager() {
  unset QT_QPA_PLATFORM
  xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW && return 0
  openbox >"$WORK/openbox.log" 2>&1 &
  local wm=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW && return 0
    kill -0 $wm 2>/dev/null || fail "the window manager ended: $(cat "$WORK/openbox.log")"
    sleep 0.1
  done
  fail "the window manager did not start"
}

# start_editor: the window manager, then the editor on DOC (its output in
# WORK/app.log); sets app (its process) and win (its main window), and gives
# the window the keyboard.
start_editor() {
  start_window_manager
  "$BIN" "$DOC" >"$WORK/app.log" 2>&1 &
  app=$!
  win=$(wait_for 'RTF文件编辑器') || fail "main window not found"
  xdotool windowactivate --sync "$win"
  sleep 0.3
}

# gone NAME: waits up to 20 s for no visible window to be named NAME.
gone() {
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# wait_for NAME: prints the id of the visible window named exactly NAME,
# waiting up to 10 s for it.
wait_for() {
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# open_menu LETTER: opens the menu whose access key is LETTER (alt+LETTER)
# and waits until it is on screen, so that the next key chooses an item.
open_menu() {
  xdotool key "alt+$1"
  for _ in $(seq 100); do
    [ "$(xdotool search --onlyvisible --class pennaro 2>/dev/null | wc -l)" -ge 2 ] && return 0
    sleep 0.1
  done
  fail "menu alt+$1 not shown"
}

# wait_end: waits up to 10 s for the editor (app) to end by itself, which
# may have been started by another program; false, with the editor killed,
# when it is still running.
wait_end() {
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || return 0; sleep 0.1; done
  kill "$app"
  return 1
}

# answer_close_prompt: closes the main window and answers Yes (the default
# button) at the save prompt.
answer_close_prompt() {
  wmctrl -c 'RTF文件编辑器'
  box=$(wait_for 'Pennaro') || fail "save prompt not shown"
  xdotool windowactivate --sync "$box"
  xdotool key Return
}

# close_saving: closes the main window, answers Yes at the save prompt, and
# waits for the editor to end; returns its exit status.
close_saving() {
  answer_close_prompt
  wait_end || fail "editor still running"
  wait "$app"
}

fail() { echo "FAIL: $*"; [ -f "$WORK/app.log" ] && cat "$WORK/app.log"; exit 1; }
