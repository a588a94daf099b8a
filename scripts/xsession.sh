# A private X session for tests and benchmarks: Xvfb on a display of its own
# choosing, with openbox as window manager. Source it, then call
#   xsession_start [WIDTHxHEIGHT]
# which exports DISPLAY and returns once the window manager runs. Both are
# ended when the sourcing shell exits.

xsession_pids=()
xsession_stop() { for pid in "${xsession_pids[@]}"; do kill "$pid" 2>/dev/null; done; wait 2>/dev/null; }
trap xsession_stop EXIT

# Runs a command every 50 ms until it succeeds, for at most POLL_SECONDS (20).
poll() {
  local tries=$((${POLL_SECONDS:-20} * 20))
  while ((tries-- > 0)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

xsession_start() {
  local fifo display
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${1:-1280x1024}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xsession_pids+=($!)
  read -r -t 20 display <"$fifo"
  rm -f "$fifo"
  [[ -n "$display" ]] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$display
  openbox >/dev/null 2>&1 &
  xsession_pids+=($!)
  poll bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    { echo "openbox did not start" >&2; return 1; }
}
