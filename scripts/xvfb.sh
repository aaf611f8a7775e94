# Sourced: starts a private X server for Wine's windows when there is no display.
pelorin_start_xvfb() {
  PELORIN_XVFB_PID=""
  if [ -n "${DISPLAY:-}" ] && [ -z "${PELORIN_FORCE_XVFB:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    PELORIN_XVFB_PID=$!
    local i
    for i in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export DISPLAY=":$n"
    return 0
  done
  echo "no free X display for Xvfb" >&2
  return 1
}
pelorin_stop_xvfb() {
  [ -n "${PELORIN_XVFB_PID:-}" ] && kill "$PELORIN_XVFB_PID" 2>/dev/null || true
}
