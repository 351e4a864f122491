# Sourced by the end-to-end drive scripts, which run inside xvfb-run: puts a
# window manager on the screen and gives the helpers that find windows.
unset QT_QPA_PLATFORM   # the real X server, not the test suite's offscreen one
openbox >/dev/null 2>&1 &
# Wait for the window manager to own the screen.
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done

window() {  # window NAME: the id of the visible window named NAME, waiting up to 10 s
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

gone() {  # gone NAME: waits up to 20 s for no visible window to be named NAME
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
