#!/usr/bin/env bash
# End to end: the real editor at QT_SCALE_FACTOR=2 under a window manager.
# A twip is a 1440th of a logical inch, so the stored placement puts the
# frame at twice the pixels of the normal density (within the pixel the
# window manager's one-pixel border rounds away), and closing stores the
# very values that were read: the window neither grows nor shrinks from one
# run to the next.
#   bash e2e_high_dpi.sh <pennaro-binary> <source-dir>
set -uo pipefail
. "$(dirname "$(readlink -f "$0")")/session.sh"
in_x_session "$@"
bin=$(readlink -f "$1")

scratch_work
export QT_SCALE_FACTOR=2
private_home "$work/home"
placement=(1500 750 9000 7200)   # left, top, width, height in twips
store_placement "${placement[@]}"

# 15 twips to a logical pixel, two device pixels to a logical one.
expected="$((placement[0] * 2 / 15)) $((placement[1] * 2 / 15)) $((placement[2] * 2 / 15)) $((placement[3] * 2 / 15))"
# near "L T W H": each within two pixels of the expected frame.
near() {
  local got=($1) want=($expected) i
  [ ${#got[@]} -eq 4 ] || return 1
  for i in 0 1 2 3; do
    [ $((got[i] - want[i])) -le 2 ] && [ $((want[i] - got[i])) -le 2 ] || return 1
  done
}
for run in 1 2; do
  "$bin" >"$log" 2>&1 &
  app=$!
  win=$(window_of $app) || fail "run $run: no window captioned $caption"
  # The window manager frames the window and the editor corrects its size to
  # the frame a moment after the window is mapped (up to 10 s).
  for _ in $(seq 100); do
    frame=$(frame_of "$win") || frame=
    near "$frame" && break
    sleep 0.1
  done
  near "$frame" || fail "run $run: frame '$frame', expected about $expected"
  wmctrl -i -c "$win"
  wait_exit $app || fail "run $run: the editor did not end when its window was closed"
  stored=$(grep '^Main' "$XDG_CONFIG_HOME/Pennaro/Pennaro.ini" | sort | tr '\n' ' ')
  [ "$stored" = "MainHeight=7200 MainLeft=1500 MainTop=750 MainWidth=9000 " ] ||
    fail "run $run: closing stored $stored"
done
echo "high dpi: ok"
