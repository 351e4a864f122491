#!/usr/bin/env bash
# End to end: recovery after a crash, with the real editor under Xvfb.
#  1. Type into a document, kill -9 the editor, start it again, restore:
#     every character is back, and saving writes the original file and
#     leaves no copy behind.
#  2. SIGTERM right after typing: the copy holds it all. Decline the offer
#     and confirm: the copy is gone and the command-line file opens.
#  3. Save while running: no copy is left; close with No: none either.
#  4. Two editors at once keep a copy each, neither offers the other's, and
#     after both are killed each copy is restored into its own window.
#   bash e2e_recovery.sh <pennaro-binary> <source-dir>
set -uo pipefail
bin=$(readlink -f "$1")
source_dir=$(readlink -f "$2")
rtfconv=$(readlink -f "$(dirname "$bin")/../tools/rtfconv/rtfconv")
. "$source_dir/tests/e2e/session.sh"
in_x_session "$@"

work=$(mktemp -d)
trap 'exec 2>/dev/null; kill -9 $(jobs -p); rm -rf "$work"' EXIT
log=$work/pennaro.log
private_home "$work/home"
recovery=$HOME/.local/state/Pennaro/recovery  # XDG_STATE_HOME is unset
cd "$work"

# rtf FILE TEXT: a GBK RTF file holding the text (RTF escapes allowed).
rtf() {
  printf '{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0\\fs24 %s\\par}\n' "$2" >"$1"
}
text_of() { "$rtfconv" text "$1"; }
copies() { ls "$recovery"/*.rtf 2>/dev/null | wc -l; }
# wait_copies N: until the recovery folder holds N copies (up to 15 s).
wait_copies() {
  for _ in $(seq 150); do
    [ "$(copies)" -eq "$1" ] && return 0
    sleep 0.1
  done
  fail "expected $1 recovery copies, found $(copies): $(ls -a "$recovery" 2>&1 | tr '\n' ' ')"
}
# start VAR ARGS...: starts the editor, its pid in VAR.
start() {
  local -n pid_var=$1
  shift
  "$bin" "$@" >>"$log" 2>&1 &
  pid_var=$!
}
# answer PID KEY: presses KEY in the editor's message box, then waits for
# that box to go.
answer() {
  local box
  box=$(window_of "$1" Pennaro) || fail "no message box from $1"
  xdotool windowactivate --sync "$box" && sleep 0.3 && xdotool key "$2"
  for _ in $(seq 100); do
    xwininfo -id "$box" 2>/dev/null | grep -q IsViewable || return 0
    sleep 0.1
  done
  fail "the message box did not close on $2"
}
# type_into PID TEXT: types into the editor's main window.
type_into() {
  local win
  win=$(window_of "$1") || fail "no main window for $1"
  xdotool windowactivate --sync "$win" && sleep 0.3 && xdotool type --delay 30 "$2"
}
close_window() { wmctrl -i -c "$(window_of "$1")"; }
ends_cleanly() { wait_exit "$1" || fail "the editor $1 did not end by itself (status $?)"; }
no_prompt() {  # no_prompt PID: the main window shows without a message box
  window_of "$1" >/dev/null || fail "no main window"
  [ -z "$(xdotool search --all --onlyvisible --pid "$1" --name '^Pennaro$' 2>/dev/null)" ] || fail "an unexpected prompt"
}

# ---- 1. kill -9, restore, every character back, save leaves no copy ------
rtf doc.rtf "\\'c4\\'e3\\'ba\\'c3"  # 你好 in GBK
[ "$(text_of doc.rtf)" = "你好" ] || fail "fixture: $(text_of doc.rtf)"
start app "$work/doc.rtf"
type_into $app 'Hello, world! '
wait_copies 1
sleep 0.5
kill -9 $app; wait $app 2>/dev/null
[ "$(text_of "$recovery"/*.rtf)" = "Hello, world! 你好" ] || fail "copy holds '$(text_of "$recovery"/*.rtf)'"

start app
answer $app Return  # restore (Yes is the default)
close_window $app
answer $app Return  # save the changes (Yes)
ends_cleanly $app
[ "$(text_of doc.rtf)" = "Hello, world! 你好" ] || fail "restored and saved: '$(text_of doc.rtf)'"
wait_copies 0
[ -z "$(ls -A "$recovery")" ] || fail "left in the recovery folder: $(ls -A "$recovery")"

# ---- 2. SIGTERM right after typing writes the copy; decline, confirm: ----
# ---- the copy is gone, the command-line file opens --------------------------
start app "$work/doc.rtf"
type_into $app 'Lost '
kill -TERM $app  # long before the copy would be due
wait_exit $app
status=$?
[ $status -eq 143 ] || fail "ended with status $status on SIGTERM"
[ "$(text_of "$recovery"/*.rtf)" = "Lost Hello, world! 你好" ] || fail "copy on SIGTERM: '$(text_of "$recovery"/*.rtf)'"
start app "$work/doc.rtf"
answer $app n  # do not restore
answer $app y  # yes, delete it
wait_copies 0
no_prompt $app
close_window $app  # the command-line file, not modified: no prompt
ends_cleanly $app
[ "$(text_of doc.rtf)" = "Hello, world! 你好" ] || fail "after declining: '$(text_of doc.rtf)'"

# ---- 3. saving leaves no copy; so does closing with No --------------------
start app "$work/doc.rtf"
type_into $app 'Again '
wait_copies 1
xdotool key alt+f && sleep 0.3 && xdotool key s  # File > Save
wait_copies 0
[ "$(text_of doc.rtf)" = "Again Hello, world! 你好" ] || fail "saved: '$(text_of doc.rtf)'"
type_into $app 'Dropped '
wait_copies 1
close_window $app
answer $app n  # do not save
ends_cleanly $app
wait_copies 0
[ "$(text_of doc.rtf)" = "Again Hello, world! 你好" ] || fail "closed with No: '$(text_of doc.rtf)'"

# ---- 4. two editors at once ------------------------------------------------
rtf a.rtf AAA
rtf b.rtf BBB
start first "$work/a.rtf"
type_into $first 'one '
wait_copies 1
start second "$work/b.rtf"
no_prompt $second  # the first one's copy is not offered: it still runs
type_into $second 'two '
wait_copies 2
texts=$(for c in "$recovery"/*.rtf; do text_of "$c"; done | sort | tr '\n' '|')
[ "$texts" = "one AAA|two BBB|" ] || fail "the two copies hold $texts"
kill -9 $first $second; wait $first $second 2>/dev/null

start third
answer $third Return  # restore the newest copy
start fourth
answer $fourth Return  # the other one: the third window holds its own
for app in $third $fourth; do
  close_window $app
  answer $app Return  # save
  ends_cleanly $app
done
[ "$(text_of a.rtf)" = "one AAA" ] || fail "a.rtf holds '$(text_of a.rtf)'"
[ "$(text_of b.rtf)" = "two BBB" ] || fail "b.rtf holds '$(text_of b.rtf)'"
wait_copies 0

echo PASS
