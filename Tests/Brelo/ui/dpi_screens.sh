#!/usr/bin/env bash
# Photographs brelo's main window under Wine at 96, 120, 144 and 192 DPI, for a person to look
# at: at each DPI the window as it opens, after a refresh that filled the trees and emptied the
# log box of a notice, and maximised on a large screen; at 96 DPI its log box's context menu
# and its minimum size; then at 144 DPI on a 1280 x 720 screen, where the design does not fit. The pictures go to OUT_DIR as PNG files. The DPI is a setting
# of a Wine prefix, so the script keeps a prefix of its own beside the build's, and a display
# of its own. Fails when brelo's window does not come or a picture cannot be taken.
# Usage: dpi_screens.sh BIN_DIR OUT_DIR  (environment: SCREENS_DISPLAY, a display number to use)
set -euo pipefail
bin=$(cd "$1" && pwd)
out=$2
mkdir -p "$out"
out=$(cd "$out" && pwd)
wine=/usr/lib/wine/wine64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$(dirname "$bin")/screens-wineprefix
work=$(mktemp -d)
xvfb_pid=

stop_display() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    xvfb_pid=
}
cleanup() {
    stop_display
    rm -rf "$work"
}
trap cleanup EXIT

# A display of its own, WIDTHxHEIGHT: number SCREENS_DISPLAY when set, else the first free one
# from 140.
start_display() {
    local n=${SCREENS_DISPLAY:-}
    if [ -z "$n" ]; then
        for n in $(seq 140 179); do
            [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
        done
    fi
    Xvfb ":$n" -screen 0 "${1}x24" -nolisten tcp </dev/null >/dev/null 2>&1 &
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
    # No window manager runs on the display: Wine places, maximises and draws every window
    # itself, frame and caption included, as Windows would, rather than leaving that to one.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f \
        >/dev/null 2>&1
}

winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# Both places Wine reads the DPI from; brelo takes it when it starts.
set_dpi() {
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        >/dev/null 2>&1
    "$wine" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# The program folder: brelo, hashmd5, a few texts in folders and an empty output folder.
stage=$work/Brelo
mkdir -p "$stage/Samples/Letters" "$stage/Samples/Reports/2024" "$stage/Output"
cp "$bin/brelo.exe" "$bin/hashmd5.exe" "$stage/"
for name in Letters/to-the-bank.txt Letters/to-the-school.txt Letters/thanks.txt \
            Reports/2024/spring.txt Reports/2024/autumn.txt readme.txt notes.txt list.csv \
            summary.txt; do
    echo "$name" >"$stage/Samples/$name"
done
items=13  # the root, three folders and nine files
samples=$(winpath "$stage/Samples")
missing=$(winpath "$stage/Missing")
write_settings() {
    printf '[Input]\r\nInput Directory 001=%s\r\nAuto Refresh=1\r\n[Output]\r\nOutput Directory 001=%s\r\nFile Patterns 001=${prefix}.md5\r\n[Converter]\r\nConverter_Number=1\r\nCurrent Converter=0\r\nConverter001_Title=MD5 digest\r\nConverter001_ExeFile=.\\hashmd5.exe\r\nConverter001_Arguments=${infile} ${outfile}\r\nConverter001_WorkDir=${location}\r\n' \
        "$missing" "$(winpath "$stage/Output")" >"$stage/BRELO.ini"
}

drive() {
    "$wine" "$bin/brelo_ui_screen_driver.exe" "$(winpath "$stage/brelo.exe")" "$@"
}

start_display 2560x1600
for dpi in 96 120 144 192; do
    set_dpi "$dpi"
    write_settings
    drive notice shot "$(winpath "$work/dpi-$dpi-1-notice.bmp")" \
          dir "$samples" refresh items "$items" shot "$(winpath "$work/dpi-$dpi-2-refreshed.bmp")" \
          maximize shot "$(winpath "$work/dpi-$dpi-3-maximised.bmp")" close
done
# At 96 DPI: the log box's context menu, opened from the keyboard, and the window at its
# minimum size (the output group's check boxes beside its labels).
set_dpi 96
write_settings
drive notice logmenu shot "$(winpath "$work/dpi-96-5-log-menu.bmp")" endmenu \
      client 1 1 shot "$(winpath "$work/dpi-96-6-minimum.bmp")" close
stop_display

start_display 1280x720
set_dpi 144
write_settings
drive items 0 dir "$samples" refresh items "$items" \
      shot "$(winpath "$work/dpi-144-4-screen-1280x720.bmp")" close
stop_display

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
