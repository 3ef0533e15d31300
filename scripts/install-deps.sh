#!/bin/sh
# Installs what building and testing Quillmere needs, when it is missing:
# mingw-w64 for both Windows targets the machine needs, Wine (with its
# 32-bit half only where this machine can run 32-bit code), Xvfb, CMake,
# the GoogleTest sources.
set -e
here=$(cd "$(dirname "$0")" && pwd)
. "$here/build-kind.sh"
choose_build

# dpkg -s also succeeds for a removed package whose configuration remains.
installed() {
    [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

wanted="g++-mingw-w64-i686 cmake wine wine64 xvfb xauth imagemagick googletest python3 locales"
if [ "$build_arch" = i686 ]; then
    wanted="$wanted wine32:i386"
else
    wanted="$wanted g++-mingw-w64-x86-64"
fi
missing=
for package in $wanted; do
    installed "$package" || missing="$missing $package"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
case "$missing" in
    *:i386*)
        case " $(dpkg --print-foreign-architectures | tr '\n' ' ') " in
            *" i386 "*) ;;
            *) $sudo dpkg --add-architecture i386 ;;
        esac ;;
esac

# One index that fails to load (a mirror mid-sync) fails the whole update,
# though every other index loaded: try again a few times, then go on.
for attempt in 1 2 3; do
    $sudo apt-get update && break
    [ "$attempt" -lt 3 ] || { echo "apt-get update failed; going on with the indexes it loaded"; break; }
    sleep 5
done

install_missing() {
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "$@" $missing
}
install_missing && exit 0
# Without the security suite's index, newer amd64 libraries may have no i386
# twins; the release's own suite has matching candidates for both.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
if [ -n "$codename" ]; then
    echo "Trying again with candidates from $codename"
    install_missing -t "$codename" && exit 0
fi
still=
for package in $missing; do
    installed "$package" || still="$still $package"
done
echo "Could not install:${still:-$missing}" >&2
exit 1
