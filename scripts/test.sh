#!/bin/sh
# Installs what is missing, builds Quillmere and its tests, and runs every test.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake -DQUILLMERE_TESTS=ON
cmake --build build -j2
# A case whose synthetic input Wine drops now and then gets one more run.
sh scripts/with-display.sh ctest --test-dir build --output-on-failure --repeat until-pass:2
