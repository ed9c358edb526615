#!/usr/bin/env bash
# Sets up the machine, builds the Windows programs and starts brelo under Wine from a ready
# folder (build/ready) that holds brelo, jpconv and hashmd5 side by side with starter settings
# and sample Japanese texts. Settings you change in the window are kept between starts.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target brelo jpconv hashmd5

ready=$root/build/ready
kept=
if [ -f "$ready/BRELO.ini" ]; then
    kept=$(mktemp)
    cp "$ready/BRELO.ini" "$kept"
fi
cmake --install build/mingw64 --prefix "$ready" >/dev/null
[ -n "$kept" ] && mv "$kept" "$ready/BRELO.ini"
mkdir -p "$ready/Output"

export WINEPREFIX=$root/build/mingw64/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${DISPLAY:-}" ]; then
    cat <<MSG
No display: DISPLAY is not set, so brelo cannot open its window on your screen.
On a desktop, run this command from a terminal of your session. On a machine without one, use
the console runner instead (see the README), or look at the window on a virtual display:
brelo now starts on one, and a screenshot is written to build/brelo-screen.png in a few seconds.
Press Ctrl+C to end it.
MSG
    Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null; wineserver -k 2>/dev/null || true' EXIT
    export DISPLAY=:77
    (sleep 12 && import -window root "$root/build/brelo-screen.png" 2>/dev/null &&
        echo "Screenshot: build/brelo-screen.png") &
fi

echo "Starting brelo from $ready"
cd "$ready"
/usr/lib/wine/wine64 "$ready/brelo.exe"
