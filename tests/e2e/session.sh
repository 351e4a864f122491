# Shared by end-to-end scripts: an X session with a window manager, the
# editor in a private home, and ways to find, measure and wait for its
# windows. Source it, then call in_x_session "$@" first: it runs the calling
# script again inside Xvfb (once) and returns there with openbox running.

caption='RTF文件编辑器'

fail() {
  echo "FAIL: $*" >&2
  [ -n "${log:-}" ] && [ -f "$log" ] && cat "$log" >&2
  exit 1
}

in_x_session() {
  if [ -z "${PENNARO_X_SESSION:-}" ]; then
    # xvfb-run -a takes the first free display from the one given; scripts
    # started at the same moment would race for the same one. With -noreset
    # the server stays up between clients: a window manager connecting while
    # it resets after a probe (wmctrl) has left is refused.
    PENNARO_X_SESSION=1 exec timeout 280 xvfb-run -a -n $((200 + RANDOM % 700)) \
      -s "-screen 0 1280x1024x24 -dpi 96 -noreset" bash "$0" "$@"
  fi
  for tool in xdotool wmctrl openbox xwininfo xprop; do
    command -v "$tool" >/dev/null || fail "missing tool: $tool"
  done
  unset QT_QPA_PLATFORM  # the real X server, not the unit tests' offscreen one
  local wm wm_log
  wm_log=$(mktemp)
  openbox >"$wm_log" 2>&1 &
  wm=$!
  for _ in $(seq 100); do
    wmctrl -m >/dev/null 2>&1 && { rm -f "$wm_log"; return 0; }
    kill -0 $wm 2>/dev/null || fail "the window manager ended: $(cat "$wm_log")"
    sleep 0.1
  done
  fail "the window manager did not start"
}

# scratch_work: a scratch folder, work, removed at the end together with any
# editor still running, and log, a file in it for the editor's output.
scratch_work() {
  work=$(mktemp -d)
  trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
  log=$work/pennaro.log
}

# private_home DIR: the editor's settings and state live under DIR.
private_home() {
  export HOME=$1 XDG_CONFIG_HOME=$1/.config
  unset XDG_STATE_HOME
  mkdir -p "$XDG_CONFIG_HOME"
}

# store_placement LEFT TOP WIDTH HEIGHT (twips, as the settings store holds them)
store_placement() {
  mkdir -p "$XDG_CONFIG_HOME/Pennaro"
  printf '[Settings]\nMainLeft=%s\nMainTop=%s\nMainWidth=%s\nMainHeight=%s\n' "$@" \
    >"$XDG_CONFIG_HOME/Pennaro/Pennaro.ini"
}

# window_of PID [NAME]: the id of a mapped window of the process named NAME
# (the main window's caption by default), waiting up to 20 s.
window_of() {
  local pid=$1 name=${2:-$caption} id
  for _ in $(seq 200); do
    id=$(xdotool search --all --onlyvisible --pid "$pid" --name "^${name}\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# wait_exit PID: waits up to 20 s for the process to end; returns its status,
# or 124 when it is still running.
wait_exit() {
  for _ in $(seq 200); do
    kill -0 "$1" 2>/dev/null || { wait "$1"; return $?; }
    sleep 0.1
  done
  return 124
}

# frame_of WIN: "left top width height" of the window's outer frame, from its
# client area and the frame extents the window manager announces.
frame_of() {
  local info x y w h extents l r t b
  info=$(xwininfo -id "$1") || return 1
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/^ *Width: *//p' <<<"$info")
  h=$(sed -n 's/^ *Height: *//p' <<<"$info")
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')
  [ -n "$extents" ] || return 1
  IFS=, read -r l r t b <<<"$extents"
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
