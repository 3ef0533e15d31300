#!/bin/sh
# Installs what building and testing Quillmere needs, when it is missing:
# mingw-w64 (i686), Wine with its 32-bit half, Xvfb, CMake, GoogleTest sources.
set -e
missing=
command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1 || missing="$missing g++-mingw-w64-i686"
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v wine >/dev/null 2>&1 || missing="$missing wine"
[ -x /usr/lib/wine/wine64 ] || missing="$missing wine64"
dpkg -s wine32:i386 >/dev/null 2>&1 || missing="$missing wine32:i386"
command -v Xvfb >/dev/null 2>&1 || missing="$missing xvfb"
command -v xauth >/dev/null 2>&1 || missing="$missing xauth"
# By its package: a "convert" on PATH may be some other program of that name.
dpkg -s imagemagick >/dev/null 2>&1 || missing="$missing imagemagick"
[ -f /usr/src/googletest/CMakeLists.txt ] || missing="$missing googletest"
command -v python3 >/dev/null 2>&1 || missing="$missing python3"
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
case " $(dpkg --print-foreign-architectures | tr '\n' ' ') " in
    *" i386 "*) ;;
    *) $sudo dpkg --add-architecture i386 ;;
esac
$sudo apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
