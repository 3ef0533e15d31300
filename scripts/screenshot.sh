#!/bin/sh
# Produces docs/main-window.png: the main window after a real scan of
# HKEY_CURRENT_USER, in the test prefix, on Xvfb when there is no display.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake -DQUILLMERE_TESTS=ON
cmake --build build -j2 --target quillmere_screenshot
sh scripts/with-display.sh sh scripts/wine-run.sh build build/bin/quillmere_screenshot.exe 'Z:\tmp\quillmere-shot.bmp'
mkdir -p docs
convert /tmp/quillmere-shot.bmp docs/main-window.png
rm -f /tmp/quillmere-shot.bmp
echo "wrote docs/main-window.png"
