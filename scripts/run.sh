#!/bin/sh
# Installs what is missing, builds Quillmere and starts it under Wine.
# Uses your display, or Xvfb when there is none (the window is then unseen).
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake -DQUILLMERE_TESTS=OFF
cmake --build build -j2 --target Quillmere
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
. scripts/xvfb.sh
xvfb_pid=
if [ -z "$DISPLAY" ]; then
    start_xvfb
    echo "No display set: Quillmere runs under Xvfb on $DISPLAY, where it cannot be seen."
    echo "Press Ctrl+C to end it."
fi
status=0
wine build/bin/Quillmere.exe || status=$?
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $status
