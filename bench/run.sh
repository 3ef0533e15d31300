#!/bin/sh
# Usage: bench/run.sh [KEYS [--no-listing]]   (default 50000; e.g. 500000)
#        bench/run.sh --find [ROWS]           (Find through 2,000,000 rows by default)
# Builds the scan benchmark from a clean build tree of its own (build-bench,
# or build-bench64 for the 64-bit build on a machine that cannot run 32-bit
# code) and runs it under Wine in that tree's prefix. The figures go to stdout.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
. scripts/build-kind.sh
choose_build "$PWD"
echo "Benchmarking the $build_reason."
bench_dir=build-bench
[ "$build_arch" = x86_64 ] && bench_dir=build-bench64
rm -rf "$bench_dir"
cmake -S . -B "$bench_dir" -DCMAKE_TOOLCHAIN_FILE="$build_toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_TESTS=OFF >/dev/null
cmake --build "$bench_dir" -j2 --target quillmere_bench >/dev/null
exe=$(find "$bench_dir" -name quillmere_bench.exe | head -n1)
# wine-run.sh brings its own Xvfb, and ends it, when no display is set.
status=0
sh scripts/wine-run.sh "$bench_dir" "$exe" "$@" || status=$?
WINEPREFIX="$PWD/$bench_dir/wineprefix" wineserver -k 2>/dev/null || true
exit $status
