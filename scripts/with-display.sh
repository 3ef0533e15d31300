#!/bin/sh
# Runs a command with an X display and the build tree's own Wine prefix.
# Starts Xvfb on a free display when none is set; afterwards stops only what
# it started: that Xvfb (by PID) and the prefix's wineserver.
here=$(cd "$(dirname "$0")/.." && pwd)
: "${QUILLMERE_BUILD:=$here/build}"
QUILLMERE_BUILD=$(cd "$QUILLMERE_BUILD" && pwd)
export QUILLMERE_BUILD
export WINEPREFIX="$QUILLMERE_BUILD/wineprefix"
export WINEDEBUG=-all

xvfb_pid=
if [ -z "$DISPLAY" ]; then
    fd_file=$(mktemp)
    Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$fd_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 200); do [ -s "$fd_file" ] && break; sleep 0.05; done
    DISPLAY=":$(head -n1 "$fd_file")"
    export DISPLAY
    rm -f "$fd_file"
    echo "No display set: using Xvfb on $DISPLAY"
fi
status=0
"$@" || status=$?
wineserver -k 2>/dev/null || true
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $status
