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

near() { [ $(($1 - $2)) -le 2 ] && [ $(($2 - $1)) -le 2 ]; }
for run in 1 2; do
  "$bin" >"$log" 2>&1 &
  app=$!
  win=$(window_of $app) || fail "run $run: no window captioned $caption"
  sleep 1  # the window manager's frame, and the size corrected to it
  read -r left top width height <<<"$(frame_of "$win")" || fail "run $run: no frame"
  # 15 twips to a logical pixel, two device pixels to a logical one.
  i=0
  for got in $left $top $width $height; do
    want=$((placement[i] * 2 / 15))
    near "$got" "$want" || fail "run $run: frame $left $top $width $height, expected about $((placement[0] * 2 / 15)) $((placement[1] * 2 / 15)) $((placement[2] * 2 / 15)) $((placement[3] * 2 / 15))"
    i=$((i + 1))
  done
  wmctrl -i -c "$win"
  wait_exit $app || fail "run $run: the editor did not end when its window was closed"
  stored=$(grep '^Main' "$XDG_CONFIG_HOME/Pennaro/Pennaro.ini" | sort | tr '\n' ' ')
  [ "$stored" = "MainHeight=7200 MainLeft=1500 MainTop=750 MainWidth=9000 " ] ||
    fail "run $run: closing stored $stored"
done
echo "high dpi: ok"
