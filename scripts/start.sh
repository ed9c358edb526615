#!/usr/bin/env bash
# Sets up the machine, builds the Windows programs and starts brelo under Wine from a ready
# folder (build/ready) that holds the programs side by side with starter settings and sample
# Japanese texts. Settings you change in the window are kept between starts.
#
# BRELO_START_CHECK=1 makes it a check instead: brelo starts, its main window must appear within
# BRELO_START_WAIT seconds (default 180; a new Wine prefix takes a while), a screenshot is
# written to build/brelo-screen.png, brelo is ended and the script exits 0, or 1 when the window
# never appeared.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
check=${BRELO_START_CHECK:-0}
wait_seconds=${BRELO_START_WAIT:-180}
title='Brelo File Converter'  # the start of the main window's caption
screen=$root/build/brelo-screen.png

bash scripts/setup.sh
cmake --preset mingw64 >/dev/null
# The programs target builds exactly what the install below stages (one list in CMake).
cmake --build --preset mingw64 --target programs

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
# Wine turns Windows file names into the system's through the locale's character set: without a
# UTF-8 locale (a bare environment has none) names outside ASCII cannot be made.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
    unset LC_ALL LC_CTYPE
    export LANG=C.UTF-8
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb=
brelo=
# Each step runs whatever the one before gave: brelo may have ended already.
cleanup() {
    if [ -n "$brelo" ]; then kill "$brelo" 2>/dev/null || true; fi
    wineserver -k 2>/dev/null || true
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
}

# Waits until a top-level window whose name starts with the caption is on the display; false,
# with the reason in why, when brelo ended first or the time ran out.
why=
window_appeared() {
    local waited=0
    while [ "$waited" -lt "$wait_seconds" ]; do
        if xwininfo -root -tree 2>/dev/null | grep -q "\"$title"; then
            return 0
        fi
        if ! kill -0 "$brelo" 2>/dev/null; then
            why="brelo ended before its main window appeared"
            return 1
        fi
        sleep 1
        waited=$((waited + 1))
    done
    why="brelo's main window did not appear within $wait_seconds seconds"
    return 1
}

if [ -z "${DISPLAY:-}" ]; then
    if [ "$check" != 1 ]; then
        cat <<MSG
No display: DISPLAY is not set, so brelo cannot open its window on your screen.
On a desktop, run this command from a terminal of your session. On a machine without one, use
the console runner instead (see the README), or look at the window on a virtual display:
brelo now starts on one, and a screenshot is written to build/brelo-screen.png once its window
is up. Press Ctrl+C to end it.
MSG
    fi
    display=
    for n in $(seq 77 99); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { display=":$n"; break; }
    done
    [ -n "$display" ] || { echo "No free display number for Xvfb." >&2; exit 1; }
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=$display
fi
trap cleanup EXIT

echo "Starting brelo from $ready"
cd "$ready"
/usr/lib/wine/wine64 "$ready/brelo.exe" </dev/null &
brelo=$!

if [ "$check" = 1 ]; then
    if window_appeared; then
        sleep 2  # let it finish drawing before the picture
        import -window root "$screen" 2>/dev/null || true
        echo "start check passed: brelo's main window appeared (screenshot: build/brelo-screen.png)"
        exit 0
    fi
    echo "start check FAILED: $why" >&2
    exit 1
fi

if [ -n "$xvfb" ] && window_appeared; then
    sleep 2
    import -window root "$screen" 2>/dev/null && echo "Screenshot: build/brelo-screen.png"
fi
wait "$brelo"
