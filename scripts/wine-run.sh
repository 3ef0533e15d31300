#!/bin/sh
# Usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# Runs a Windows program under Wine in the build tree's own prefix, never
# the user's. CTest's cross-compiling emulator; the scripts use it too.
# Creates the prefix on first use; provides an Xvfb display when none is set.
set -e
mkdir -p "$1"
QUILLMERE_BUILD=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
use_build_prefix "$QUILLMERE_BUILD"
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$wine" wineboot -i >/dev/null 2>&1
        # A virtual desktop: Wine then draws captions and close boxes itself,
        # so tests can click them without a window manager.
        "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        wineserver -w
    fi
) 9>"$QUILLMERE_BUILD/.wineprefix.lock"

. "$here/xvfb.sh"
xvfb_pid=
if [ -z "$DISPLAY" ]; then
    start_xvfb
fi
status=0
"$wine" "$@" || status=$?
if [ -n "$xvfb_pid" ]; then
    wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
fi
exit $status
