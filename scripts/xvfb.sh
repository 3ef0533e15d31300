# Sourced by the scripts: start_xvfb starts Xvfb on a free display,
# exports DISPLAY and sets xvfb_pid, so the caller stops only that one.
start_xvfb() {
    fd_file=$(mktemp)
    Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$fd_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 200); do [ -s "$fd_file" ] && break; sleep 0.05; done
    DISPLAY=":$(head -n1 "$fd_file")"
    export DISPLAY
    rm -f "$fd_file"
}
