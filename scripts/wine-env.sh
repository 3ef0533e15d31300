# Sourced by the scripts.

# use_build_loader BUILD_DIR sets $wine to the loader that runs that build's
# programs, as CMake wrote it into BUILD_DIR/wine-loader.
use_build_loader() {
    wine=wine
    [ -f "$1/wine-loader" ] && wine=$(cat "$1/wine-loader")
    # With wine32:i386 installed, "wine" and the tools' wrappers run the
    # 32-bit loader; Wine starts programs of its own (regedit) with this one.
    if [ "$wine" != wine ]; then
        export WINELOADER="$wine"
    fi
}

# use_build_prefix BUILD_DIR also points Wine at the build tree's own prefix
# (never the user's).
use_build_prefix() {
    export WINEPREFIX="$1/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    use_build_loader "$1"
}

# Starts a server for the prefix that stays up until "wineserver -k", and
# Wine's own processes (services, the desktop), all with their output sent
# elsewhere. Started by a test's Wine process, they would inherit the test's
# output pipe, and CTest waits for that pipe to close before it takes the
# case as done: 3 s a case while the server lingers, for ever once it stays.
start_wineserver() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    wineserver -p </dev/null >/dev/null 2>&1
    "$wine" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
}
