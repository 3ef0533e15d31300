#!/bin/sh
# Usage: with-locales.sh BUILD_DIR "LOCALE..." COMMAND [ARGS...]
# Runs COMMAND with the given glibc locales (such as ru_RU.UTF-8) built
# into BUILD_DIR/locales and found through LOCPATH, so a test can give Wine
# a system or user locale this machine does not have. Wine takes the system
# locale (the ANSI code page) from LANG or LC_CTYPE and the user's from
# LC_MESSAGES; the caller sets those.
set -e
mkdir -p "$1/locales"
locales=$(cd "$1/locales" && pwd)
for name in $2; do
    if [ ! -d "$locales/$name" ]; then
        # localedef warns about what it leaves out and exits 1 all the same.
        localedef -i "${name%%.*}" -f "${name#*.}" "$locales/$name" >/dev/null 2>&1 || [ -d "$locales/$name" ]
    fi
done
shift 2
LOCPATH=$locales exec "$@"
