# Sourced by the scripts and the end-to-end tests: start_xvfb [LOG] starts a
# private X server with a 24-bit screen (lower depths break GLX), its output
# in LOG (default: discarded), sets XVFB_PID and exports DISPLAY once it
# answers; it returns 1 with a message when the server does not come up.
start_xvfb() {
    local log=${1:-/dev/null}
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    # -noreset: otherwise the server resets when xdpyinfo, its first client,
    # leaves, and a program connecting during the reset is refused.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >"$log" 2>&1 &
    XVFB_PID=$!
    local display
    read -r -t 20 display <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$display" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$display"
    for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb on $DISPLAY does not answer" >&2
    return 1
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}
