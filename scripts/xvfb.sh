# Starts a private Xvfb display unless one is already set; sets DISPLAY and ZS_XVFB_PID.
zs_start_xvfb() {
  ZS_XVFB_PID=""
  if [ -n "${DISPLAY:-}" ] && [ "${ZS_FORCE_XVFB:-0}" != 1 ]; then return; fi
  local n
  for n in $(seq 90 200); do
    if [ -e /tmp/.X$n-lock ]; then
      # A lock left by an Xvfb that has ended is stale: clear it and use the number.
      local pid; pid=$(tr -d ' ' < /tmp/.X$n-lock 2>/dev/null)
      if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then continue; fi
      rm -f /tmp/.X$n-lock /tmp/.X11-unix/X$n
    fi
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    ZS_XVFB_PID=$!
    for _ in $(seq 1 50); do
      [ -e /tmp/.X11-unix/X$n ] && break
      sleep 0.1
    done
    if kill -0 "$ZS_XVFB_PID" 2>/dev/null; then export DISPLAY=:$n; return; fi
  done
  echo "could not start Xvfb" >&2
  return 1
}
zs_stop_xvfb() { [ -n "${ZS_XVFB_PID:-}" ] && kill "$ZS_XVFB_PID" 2>/dev/null || true; }
