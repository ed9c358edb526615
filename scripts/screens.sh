#!/usr/bin/env bash
# Photographs the output tree's marks under Wine at 96 and 144 DPI: a preview that shows every
# mark Run can foresee (new, replace, up to date, shared, same as input), and the window after
# a run in which files failed (an exit code, a shared output name). The pictures go to OUT_DIR
# (default build/test-logs/screens) as marks-DPI-preview.png and marks-DPI-run.png.
# It needs the x86_64 build (brelo.exe, console_child.exe, brelo_ui_screen_driver.exe) and keeps
# a Wine prefix and a display of its own.
# Usage: scripts/screens.sh [BIN_DIR [OUT_DIR]]  (environment: SCREENS_DISPLAY, a display number)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/mingw64/bin}" && pwd)
out=${2:-$root/build/test-logs/screens}
mkdir -p "$out"
out=$(cd "$out" && pwd)
wine=/usr/lib/wine/wine64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$(dirname "$bin")/marks-screens-wineprefix
work=$(mktemp -d)
xvfb_pid=

cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

n=${SCREENS_DISPLAY:-}
if [ -z "$n" ]; then
    for n in $(seq 180 219); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
fi
Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$n"
for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
done
[ -e "/tmp/.X11-unix/X$n" ] || { echo "no display :$n"; exit 1; }
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
"$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
# Wine draws the frames itself, as Windows would, with no window manager on the display.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1

winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# Both places Wine reads the DPI from; brelo takes it when it starts.
set_dpi() {
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        >/dev/null 2>&1
    "$wine" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

stage=$work/Brelo
mkdir -p "$stage"
cp "$bin/brelo.exe" "$bin/console_child.exe" "$stage/"

# The preview: one folder that is its own output folder. old.md5 is older than old.txt,
# fresh.md5 newer than fresh.txt; s.txt and s.csv share s.md5; self.md5 is its own output.
make_preview_folder() {
    local d=$stage/Texts
    rm -rf "$d"
    mkdir -p "$d"
    for name in new.txt old.txt fresh.txt s.txt s.csv self.md5 old.md5 fresh.md5; do
        echo 0 >"$d/$name"
    done
    touch -d '1 hour ago' "$d/old.md5" "$d/fresh.txt"
}

# The run: each file holds the exit code the converter ends with; s.txt and s.csv share s.md5.
make_run_folders() {
    local d=$stage/Batch
    rm -rf "$d" "$stage/Output"
    mkdir -p "$d/Letters" "$stage/Output"
    echo 0 >"$d/ok.txt"
    echo 7 >"$d/bad.txt"
    echo 0 >"$d/s.txt"
    echo 0 >"$d/s.csv"
    echo 0 >"$d/Letters/thanks.txt"
    echo 2 >"$d/Letters/late.txt"
}

# write_settings INPUT PATTERNS OUTPUT SKIP
write_settings() {
    printf '[Input]\r\nInput Directory 001=%s\r\nFile Patterns 001=%s\r\nAuto Refresh=1\r\n[Output]\r\nOutput Directory 001=%s\r\nFile Patterns 001=${prefix}.md5\r\nSkip Up To Date=%s\r\n[Converter]\r\nConverter_Number=1\r\nCurrent Converter=0\r\nConverter001_Title=Exit code\r\nConverter001_ExeFile=.\\console_child.exe\r\nConverter001_Arguments=exitfile ${infile}\r\nConverter001_WorkDir=${location}\r\n' \
        "$(winpath "$1")" "$2" "$(winpath "$3")" "$4" >"$stage/BRELO.ini"
}

drive() {
    "$wine" "$bin/brelo_ui_screen_driver.exe" "$(winpath "$stage/brelo.exe")" "$@"
}

for dpi in 96 144; do
    set_dpi "$dpi"
    make_preview_folder
    write_settings "$stage/Texts" 'new.txt|old.txt|fresh.txt|s.*|self.md5' "$stage/Texts" 1
    drive items 7 shot "$(winpath "$work/marks-$dpi-preview.bmp")" close
    make_run_folders
    write_settings "$stage/Batch" '*.txt|*.csv' "$stage/Output" 0
    drive items 8 run shot "$(winpath "$work/marks-$dpi-run.bmp")" close
done

# 24-bit BMP to PNG, with nothing but the standard library.
python3 - "$out" "$work"/*.bmp <<'EOF'
import os, struct, sys, zlib

def png(path, out_dir):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    raw = bytearray()
    for y in range(height - 1, -1, -1):
        row = data[offset + y * stride: offset + y * stride + width * 3]
        raw.append(0)
        for x in range(0, width * 3, 3):
            raw += bytes((row[x + 2], row[x + 1], row[x]))
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    name = os.path.splitext(os.path.basename(path))[0] + ".png"
    with open(os.path.join(out_dir, name), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 6)) + chunk(b"IEND", b""))
    print(name, width, "x", height)

for path in sys.argv[2:]:
    png(path, sys.argv[1])
EOF
