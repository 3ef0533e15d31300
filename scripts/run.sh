#!/bin/sh
# Installs what is missing, builds Quillmere and starts it under Wine.
# Uses your display, or Xvfb when there is none (the window is then unseen).
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake -DQUILLMERE_TESTS=OFF
cmake --build build -j2 --target Quillmere
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=
if [ -z "$DISPLAY" ]; then
    fd_file=$(mktemp)
    Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$fd_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 200); do [ -s "$fd_file" ] && break; sleep 0.05; done
    DISPLAY=":$(head -n1 "$fd_file")"
    export DISPLAY
    rm -f "$fd_file"
    echo "No display set: Quillmere runs under Xvfb on $DISPLAY, where it cannot be seen."
    echo "Press Ctrl+C to end it."
fi
status=0
wine build/Quillmere.exe || status=$?
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $status
