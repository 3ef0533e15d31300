#!/bin/sh
# Usage: at_dpi_case.sh BUILD_DIR DPI
# Runs quillmere_dpi_tests against the real window once scripts/at-dpi.sh
# has set the screen to DPI; the prefix's wineserver is down at this point.
# A key last written at 23:59:59 on 30 December, the widest time text, is
# needed; it goes straight into user.reg, and is deleted afterwards, also
# when the tests fail.
set -e
build=$(cd "$1" && pwd)
dpi=$2
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/scripts/wine-env.sh"
use_build_prefix "$build"

. "$here/scripts/dated-keys.sh"
trap 'remove_test_key Dpi' EXIT

# Local time, as Wine takes the zone from the host.
year=$(( $(date +%Y) - 1 ))
add_dated_key 'Software\\QuillmereTest\\Dpi\\LateOnDecember30' "$(date -d "$year-12-30 23:59:59" +%s)"

QUILLMERE_TEST_DPI=$dpi sh "$here/scripts/wine-run.sh" "$build" "$build/bin/quillmere_dpi_tests.exe"
