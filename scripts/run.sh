#!/bin/sh
# Installs what is missing, builds Quillmere and starts it under Wine: the
# 32-bit program where this machine can run 32-bit code, else the 64-bit one.
# Uses your display, or Xvfb when there is none (the window is then unseen).
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
. scripts/build-kind.sh
choose_build "$PWD"
echo "Running the $build_reason."
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$build_toolchain" -DQUILLMERE_TESTS=OFF
cmake --build "$build_dir" -j2 --target Quillmere
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
. scripts/xvfb.sh
xvfb_pid=
if [ -z "$DISPLAY" ]; then
    start_xvfb
    echo "No display set: Quillmere runs under Xvfb on $DISPLAY, where it cannot be seen."
    echo "Press Ctrl+C to end it."
fi
# Your own prefix, but the loader for the build's architecture.
. scripts/wine-env.sh
use_build_loader "$build_dir"
status=0
"$wine" "$build_dir/bin/Quillmere.exe" || status=$?
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $status
