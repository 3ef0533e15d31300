#!/bin/sh
# Usage: at_dpi_case.sh BUILD_DIR DPI
# Runs quillmere_dpi_tests against the real window once scripts/at-dpi.sh
# has set the screen to DPI; the prefix's wineserver is down at this point.
# A key last written at 23:59:59 on 30 December, the widest time text, is
# needed, and the registry functions cannot set a key's time (Wine's
# NtSetInformationKey does nothing), so it goes straight into user.reg,
# which Wine reads when its server starts. It is deleted afterwards, also
# when the tests fail.
set -e
build=$(cd "$1" && pwd)
dpi=$2
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/scripts/wine-env.sh"
use_build_prefix "$build"

remove_fixture() {
    "$wine" reg delete 'HKCU\Software\QuillmereTest\Dpi' /f /reg:64 >/dev/null 2>&1 || true
    # The parent goes only when nothing else is left in it.
    if ! "$wine" reg query 'HKCU\Software\QuillmereTest' /reg:64 2>/dev/null | tr -d '\r' | grep -q 'QuillmereTest\\'; then
        "$wine" reg delete 'HKCU\Software\QuillmereTest' /f /reg:64 >/dev/null 2>&1 || true
    fi
}
trap remove_fixture EXIT

# Local time, as Wine takes the zone from the host; the file holds UTC ticks.
year=$(( $(date +%Y) - 1 ))
seconds=$(date -d "$year-12-30 23:59:59" +%s)
ticks=$(( (seconds + 11644473600) * 10000000 ))
printf '\n[Software\\\\QuillmereTest\\\\Dpi\\\\LateOnDecember30] %s\n#time=%x\n' "$seconds" "$ticks" >>"$WINEPREFIX/user.reg"

QUILLMERE_TEST_DPI=$dpi sh "$here/scripts/wine-run.sh" "$build" "$build/bin/quillmere_dpi_tests.exe"
