#!/bin/sh
# Usage: seasons_case.sh BUILD_DIR [NewYear]
# Runs the Seasons cases of quillmere_tests in a zone with daylight saving
# (Wine takes a process's zone from TZ), with two keys last written last
# year: on 3 July and on 15 January, at 12:05:02 UTC. With NewYear, the
# NewYear cases in Cuba, with two keys written in the first hours of 2004
# and of 2006 (UTC), when the local date was still or already the other
# year's. The keys go into user.reg with the prefix's server down; the
# server is then started as the test run expects it, and the keys are
# deleted afterwards, also when a case fails.
set -e
build=$(cd "$1" && pwd)
case=${2:-Seasons}
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/wine-env.sh"
use_build_prefix "$build"
. "$here/scripts/dated-keys.sh"

# The prefix exists from here on (created on first use).
sh "$here/scripts/wine-run.sh" "$build" cmd /c exit </dev/null >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
finish() {
    remove_test_key "$case"
    [ "${QUILLMERE_KEEP_WINESERVER:-}" = 1 ] || wineserver -k 2>/dev/null || true
}
trap finish EXIT
trap 'exit 130' INT TERM
if [ "$case" = NewYear ]; then
    zone=America/Havana
    add_dated_key 'Software\\QuillmereTest\\NewYear\\Late2003' "$(date -u -d "2004-01-01 02:30:00" +%s)"
    add_dated_key 'Software\\QuillmereTest\\NewYear\\Early2006' "$(date -u -d "2006-01-01 04:30:00" +%s)"
else
    zone=Europe/Berlin
    year=$(( $(date +%Y) - 1 ))
    add_dated_key 'Software\\QuillmereTest\\Seasons\\Summer' "$(date -u -d "$year-07-03 12:05:02" +%s)"
    add_dated_key 'Software\\QuillmereTest\\Seasons\\Winter' "$(date -u -d "$year-01-15 12:05:02" +%s)"
fi
start_wineserver
TZ=$zone sh "$here/scripts/wine-run.sh" "$build" "$build/bin/quillmere_tests.exe" --gtest_filter="$case.*"
