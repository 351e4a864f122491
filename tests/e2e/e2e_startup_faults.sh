#!/usr/bin/env bash
# End to end: start-up faults a user meets with the real binary.
#  - Qt's own options are plain words of the command line: -qwindowtitle does
#    not change the caption, and a file named -reverse opens like any other
#    (not mirrored right to left).
#  - Stored sizes too small for any client area still show a window.
#  - A stored size no window can take keeps the design size (outer 11865 x
#    8760 twips), with the frame where MainLeft/MainTop put it.
#   bash e2e_startup_faults.sh <pennaro-binary> <source-dir>
set -uo pipefail
bin=$(readlink -f "$1")
source_dir=$(readlink -f "$2")
. "$source_dir/tests/e2e/session.sh"
in_x_session "$@"

scratch_work
tpp=15  # twips per pixel at 96 DPI

# ---- -qwindowtitle names a file, it does not retitle the window ----------
private_home "$work/home-title"
cd "$work"
"$bin" -qwindowtitle Other >"$log" 2>&1 &
app=$!
window_of $app >/dev/null || fail "-qwindowtitle: no window captioned $caption"
[ -z "$(xdotool search --name '^Other$' 2>/dev/null)" ] || fail "-qwindowtitle retitled the window"
kill $app; wait $app 2>/dev/null

# ---- a file named -reverse opens, laid out left to right -----------------
# The menu bar and toolbar of a window on a file named -reverse must look
# exactly like those of a window on the same file under an ordinary name.
mkdir -p "$work/docs"
cp "$source_dir/tests/shell/fixtures/chinese.rtf" "$work/docs/-reverse"
cp "$source_dir/tests/shell/fixtures/chinese.rtf" "$work/docs/ordinary.rtf"
cd "$work/docs"
bars() {  # bars NAME OUT.png: opens NAME, grabs the top strip, closes
  private_home "$work/home-bars"
  store_placement 0 0 11865 8760
  "$bin" "$1" >"$log" 2>&1 &
  local app=$! win
  win=$(window_of $app) || fail "$1: no window"
  sleep 1  # the window manager's frame, the first paint, the selection's font in the box
  import -window "$win" -crop 780x50+0+0 +repage "$2" || fail "$1: no screenshot"
  # A document that loaded is not modified: closing asks nothing.
  wmctrl -i -c "$win"
  wait_exit $app || fail "$1: the editor did not end when its window was closed (did the file load?)"
}
bars ordinary.rtf "$work/ordinary.png"
bars ./-reverse "$work/dot-slash.png"
bars -reverse "$work/reverse.png"
diff=$(compare -metric AE "$work/ordinary.png" "$work/reverse.png" null: 2>&1)
[ "$diff" = 0 ] || fail "the window on -reverse differs from the ordinary one in $diff pixels of its menu bar and toolbar"

# ---- stored sizes too small for a client area ----------------------------
cd "$work"
for size in "30 30" "0 8760" "11865 0" "15 15"; do
  private_home "$work/home-tiny"
  store_placement 0 0 $size
  "$bin" >"$log" 2>&1 &
  app=$!
  win=$(window_of $app) || fail "stored size $size: no visible window"
  sleep 0.5  # the size is fitted to the frame once the window manager has it
  state=$(xwininfo -id "$win" | sed -n 's/.*Map State: //p')
  [ "$state" = IsViewable ] || fail "stored size $size: the window is not viewable ($state)"
  read -r w h < <(xwininfo -id "$win" | sed -n 's/^ *\(Width\|Height\): *//p' | tr '\n' ' ')
  [ "$w" -ge 1 ] && [ "$h" -ge 1 ] || fail "stored size $size: client area ${w}x${h}"
  kill $app; wait $app 2>/dev/null
done

# ---- an impossible size keeps the design size, the frame at Left/Top ------
for stored in "300 0 -300 8760" "300 150 11865 -300" "0 0 1e30 8760"; do
  private_home "$work/home-impossible"
  store_placement $stored
  read -r left top _ <<<"$stored"
  want="$((left / tpp)) $((top / tpp)) $((11865 / tpp)) $((8760 / tpp))"
  "$bin" >"$log" 2>&1 &
  app=$!
  win=$(window_of $app) || fail "stored $stored: no window"
  got=
  for _ in $(seq 50); do
    got=$(frame_of "$win")
    [ "$got" = "$want" ] && break
    sleep 0.1
  done
  [ "$got" = "$want" ] || fail "stored $stored: frame at/size $got, expected $want"
  kill $app; wait $app 2>/dev/null
done

echo PASS
