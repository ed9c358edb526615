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
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$exe" "$@"
