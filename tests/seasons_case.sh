#!/bin/sh
# Usage: seasons_case.sh BUILD_DIR
# Runs the Seasons cases of quillmere_tests in a zone with daylight saving
# (Wine takes a process's zone from TZ), with two keys last written last
# year: on 3 July and on 15 January, at 12:05:02 UTC. They go into user.reg
# with the prefix's server down; the server is then started as the test run
# expects it, and the keys are deleted afterwards, also when a case fails.
set -e
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/wine-env.sh"
use_build_prefix "$build"
. "$here/scripts/dated-keys.sh"

# The prefix exists from here on (created on first use).
sh "$here/scripts/wine-run.sh" "$build" cmd /c exit </dev/null >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
finish() {
    remove_test_key Seasons
    [ "${QUILLMERE_KEEP_WINESERVER:-}" = 1 ] || wineserver -k 2>/dev/null || true
}
trap finish EXIT
trap 'exit 130' INT TERM
year=$(( $(date +%Y) - 1 ))
add_dated_key 'Software\\QuillmereTest\\Seasons\\Summer' "$(date -u -d "$year-07-03 12:05:02" +%s)"
add_dated_key 'Software\\QuillmereTest\\Seasons\\Winter' "$(date -u -d "$year-01-15 12:05:02" +%s)"
start_wineserver
TZ=Europe/Berlin sh "$here/scripts/wine-run.sh" "$build" "$build/bin/quillmere_tests.exe" --gtest_filter='Seasons.*'
