#!/bin/sh
# Runs a command with an X display and the build tree's own Wine prefix.
# Starts Xvfb on a free display when none is set; afterwards stops only what
# it started: that Xvfb (by PID) and the prefix's wineserver.
here=$(cd "$(dirname "$0")/.." && pwd)
# By default the build tree of the build this machine runs.
if [ -z "$QUILLMERE_BUILD" ]; then
    . "$here/scripts/build-kind.sh"
    choose_build "$here"
    QUILLMERE_BUILD=$build_dir
fi
QUILLMERE_BUILD=$(cd "$QUILLMERE_BUILD" && pwd)
export QUILLMERE_BUILD
. "$here/scripts/wine-env.sh"
use_build_prefix "$QUILLMERE_BUILD"

. "$here/scripts/xvfb.sh"
xvfb_pid=
if [ -z "$DISPLAY" ]; then
    start_xvfb
    echo "No display set: using Xvfb on $DISPLAY"
fi
# The prefix exists from here on (created on first use); one server serves it.
sh "$here/scripts/wine-run.sh" "$QUILLMERE_BUILD" cmd /c exit </dev/null >/dev/null 2>&1 || true
start_wineserver
export QUILLMERE_KEEP_WINESERVER=1
status=0
"$@" || status=$?
wineserver -k 2>/dev/null || true
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $status
