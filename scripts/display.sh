# Sourced by the scripts: gives Wine an X display, starting a virtual one (Xvfb) when the
# session has none, and stops it again when the script ends.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  QUILLOX_XVFB_PID=$!
  export DISPLAY=":$n"
  trap 'kill $QUILLOX_XVFB_PID 2>/dev/null || true' EXIT
  for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && return
    sleep 0.1
  done
  echo "display: Xvfb did not start on :$n" >&2
  return 1
}
