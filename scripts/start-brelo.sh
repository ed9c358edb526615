#!/usr/bin/env bash
# Builds the Windows x86_64 programs and starts brelo under Wine. With no DISPLAY set, a virtual
# X display (Xvfb) is started first: brelo then runs without anything visible on this screen,
# which suits a machine without a desktop (take a look with `DISPLAY=:N import -window root x.png`).
# Usage: scripts/start-brelo.sh            (brelo keeps BRELO.ini beside build/mingw64/bin/brelo.exe)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target brelo hashmd5 jpconv -j "${JOBS:-2}"

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 99); do
        if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then display=":$n"; break; fi
    done
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    echo "No DISPLAY: started Xvfb on $display (pid $!); brelo runs there, invisible here."
    export DISPLAY=$display
fi

export WINEPREFIX="${WINEPREFIX:-$root/build/mingw64/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$root/build/mingw64/bin/brelo.exe"
