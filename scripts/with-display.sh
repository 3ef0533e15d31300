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

. "$here/scripts/xvfb.sh"
xvfb_pid=
if [ -z "$DISPLAY" ]; then
    start_xvfb
    echo "No display set: using Xvfb on $DISPLAY"
fi
status=0
"$@" || status=$?
wineserver -k 2>/dev/null || true
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $status
