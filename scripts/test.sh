#!/bin/sh
# Installs what is missing, builds Quillmere and its tests, and runs every test.
# The tests run the 32-bit build where this machine can run 32-bit code, the
# 64-bit build (the same sources) where it cannot or QUILLMERE_BUILD64=1.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
. scripts/build-kind.sh
choose_build "$PWD"
echo "Testing the $build_reason."
exe32=
if [ "$build_arch" = x86_64 ]; then
    # The 32-bit program is built every time, and checked without running it.
    cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake -DQUILLMERE_TESTS=OFF
    cmake --build build -j2 --target Quillmere
    exe32="$PWD/build/bin/Quillmere.exe"
fi
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$build_toolchain" -DQUILLMERE_TESTS=ON \
    -DQUILLMERE_EXE32="$exe32"
cmake --build "$build_dir" -j2
# A case whose synthetic input Wine drops now and then gets one more run.
QUILLMERE_BUILD=$build_dir sh scripts/with-display.sh \
    ctest --test-dir "$build_dir" --output-on-failure --repeat until-pass:2 -j2
