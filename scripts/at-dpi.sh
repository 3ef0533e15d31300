#!/bin/sh
# Usage: at-dpi.sh BUILD_DIR DPI COMMAND [ARGS...]
# Runs COMMAND with the screen of the build tree's Wine prefix at DPI, then
# puts the prefix back, also when COMMAND fails or the run is interrupted.
# Wine reads HKCU\Control Panel\Desktop "LogPixels" when a process starts,
# so the prefix's wineserver is restarted on each change; the virtual
# desktop grows with the DPI (up to the Xvfb screen) so the window fits.
# The values found are saved in BUILD_DIR/.at-dpi-saved until they are put
# back: a run that died first leaves that file, and the next run restores
# from it before anything else.
set -e
mkdir -p "$1"
build=$(cd "$1" && pwd)
dpi=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
use_build_prefix "$build"
saved="$build/.at-dpi-saved"
desktop_key='HKCU\Software\Wine\Explorer\Desktops'
screen_key='HKCU\Control Panel\Desktop'

# Output to files only: a wineserver started here must not hold a caller's pipe.
quiet() { "$@" >/dev/null 2>&1; }

# The value's data as reg.exe prints it, or nothing when it is absent.
read_value() {
    "$wine" reg query "$1" /v "$2" /reg:64 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name { print $3 }'
}

write_value() {   # key name type data-or-empty
    if [ -n "$4" ]; then
        quiet "$wine" reg add "$1" /v "$2" /t "$3" /d "$4" /f /reg:64
    else
        quiet "$wine" reg delete "$1" /v "$2" /f /reg:64 || true
    fi
}

restart_wineserver() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

restore() {
    [ -f "$saved" ] || return 0
    . "$saved"
    write_value "$screen_key" LogPixels REG_DWORD "$saved_logpixels"
    write_value "$desktop_key" Default REG_SZ "$saved_desktop"
    restart_wineserver
    rm -f "$saved"
    # Under scripts/with-display.sh, the server it started is put back.
    if [ "${QUILLMERE_KEEP_WINESERVER:-}" = 1 ]; then
        start_wineserver
    fi
}

# The prefix exists from here on (created on first use).
quiet sh "$here/wine-run.sh" "$build" cmd /c exit || true
restore
{
    echo "saved_logpixels='$(read_value "$screen_key" LogPixels)'"
    echo "saved_desktop='$(read_value "$desktop_key" Default)'"
} >"$saved"
trap 'restore' EXIT
trap 'exit 130' INT TERM

width=$((1024 * dpi / 96)); [ "$width" -gt 1280 ] && width=1280
height=$((768 * dpi / 96)); [ "$height" -gt 1024 ] && height=1024
[ "$width" -lt 1024 ] && width=1024
[ "$height" -lt 768 ] && height=768
write_value "$screen_key" LogPixels REG_DWORD "$dpi"
write_value "$desktop_key" Default REG_SZ "${width}x${height}"
restart_wineserver
status=0
"$@" || status=$?
exit $status
