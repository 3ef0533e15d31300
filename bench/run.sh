#!/bin/sh
# Usage: bench/run.sh [KEYS]   (default 50000; e.g. 500000)
# Builds the scan benchmark from a clean build tree of its own (build-bench)
# and runs it under Wine in that tree's prefix. The figures go to stdout.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
rm -rf build-bench
cmake -S . -B build-bench -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target quillmere_bench >/dev/null
exe=$(find build-bench -name quillmere_bench.exe | head -n1)
# wine-run.sh brings its own Xvfb, and ends it, when no display is set.
status=0
sh scripts/wine-run.sh build-bench "$exe" "$@" || status=$?
WINEPREFIX="$PWD/build-bench/wineprefix" wineserver -k 2>/dev/null || true
exit $status
