# Sourced: gives this shell an X display. Uses the caller's display if it
# has one; otherwise starts Xvfb on a free display number and stops it on exit.
vx_start_xvfb() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        VX_XVFB_PID=$!
        for _ in $(seq 1 100); do
            if [ -e "/tmp/.X11-unix/X$n" ] || ! kill -0 "$VX_XVFB_PID" 2>/dev/null; then break; fi
            sleep 0.05
        done
        # Another server may have taken the number meanwhile: ours then
        # ended, and its display is not ours to use.
        if kill -0 "$VX_XVFB_PID" 2>/dev/null && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
            export DISPLAY=":$n"
            return 0
        fi
        kill "$VX_XVFB_PID" 2>/dev/null || true
    done
    echo "no free X display for Xvfb" >&2
    return 1
}
vx_stop_xvfb() {
    if [ -n "${VX_XVFB_PID:-}" ]; then kill "$VX_XVFB_PID" 2>/dev/null || true; fi
}
