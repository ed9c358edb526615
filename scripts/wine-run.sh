#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine with the build's own prefix. ctest uses this as the
# cross-compiling emulator; scripts/test.sh starts a persistent wineserver for the same prefix.
set -e
exe=$1
shift
if [ -z "${WINEPREFIX:-}" ]; then
    # The prefix lives in the build folder: two levels up from build/<preset>/bin/prog.exe.
    build=$(cd "$(dirname "$exe")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)
    export WINEPREFIX="$build/wineprefix"
fi
# Wine turns Windows file names into the system's through the locale's character set: without a
# UTF-8 locale (a bare environment has none) names outside ASCII cannot be made.
case "$(locale charmap 2>/dev/null)" in UTF-8) ;; *) export LC_ALL=C.UTF-8 ;; esac
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$exe" "$@"
