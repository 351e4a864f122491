# Helpers for the end-to-end scripts that drive the editor under Xvfb; each
# script's X session sources this file.

# The real X server, not the test suite's offscreen platform; openbox as the
# window manager, waited for until it owns the screen.
start_window_manager() {
  unset QT_QPA_PLATFORM
  openbox >/dev/null 2>&1 &
  for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
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
