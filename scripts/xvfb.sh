# Sourced: starts one Xvfb for a test run on a free display and stops it by its PID.
DRX_XVFB_PID=""

drx_start_xvfb() {
  local fifo
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  DRX_XVFB_PID=$!
  local display=""
  read -r -t 20 display <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$display" ]; then
    kill "$DRX_XVFB_PID" 2>/dev/null
    DRX_XVFB_PID=""
    return 1
  fi
  export DISPLAY=":$display"
  echo "xvfb: display $DISPLAY (pid $DRX_XVFB_PID)"
}

drx_stop_xvfb() {
  if [ -n "$DRX_XVFB_PID" ]; then
    kill "$DRX_XVFB_PID" 2>/dev/null || true
    wait "$DRX_XVFB_PID" 2>/dev/null || true
    DRX_XVFB_PID=""
  fi
}
