#!/bin/sh
# Produces docs/main-window.png and docs/main-window-144dpi.png: the main
# window after a real scan of HKEY_CURRENT_USER, in the test prefix, on Xvfb
# when there is no display; the second with the screen at 144 DPI (150 %).
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
. scripts/build-kind.sh
choose_build "$PWD"
echo "Screenshots of the $build_reason."
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$build_toolchain" -DQUILLMERE_TESTS=ON
cmake --build "$build_dir" -j2 --target quillmere_screenshot
# ImageMagick's own convert: another program of that name may come first on PATH.
convert=/usr/bin/convert
mkdir -p docs
shoot() {   # dpi png
    sh scripts/at-dpi.sh "$build_dir" "$1" sh scripts/wine-run.sh "$build_dir" "$build_dir/bin/quillmere_screenshot.exe" 'Z:\tmp\quillmere-shot.bmp'
    "$convert" /tmp/quillmere-shot.bmp "$2"
    rm -f /tmp/quillmere-shot.bmp
    echo "wrote $2"
}
shoot 96 docs/main-window.png
shoot 144 docs/main-window-144dpi.png
