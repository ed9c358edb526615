# Wine on a virtual display of its own, for scripts that drive or photograph brelo's window.
# Sourced, not run. The caller sets WINEPREFIX (and, for pictures, a work folder) first.
#
#   start_display SIZE FIRST  an Xvfb of SIZE (WIDTHxHEIGHT) on display SCREENS_DISPLAY when set,
#                             else on the first free number from FIRST; Wine's server on the
#                             prefix, its frames drawn by Wine itself (no window manager runs)
#   stop_display              ends the server and the display (also run when the script exits)
#   winpath PATH              the Windows name of a Linux path, on Wine's drive Z:
#   set_dpi DPI               the DPI brelo takes when it starts
#   bmp_to_png OUT_DIR BMP... each 24-bit BMP as OUT_DIR/NAME.png
wine=/usr/lib/wine/wine64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=

stop_display() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    xvfb_pid=
}

start_display() {
    local n=${SCREENS_DISPLAY:-} last=$(($2 + 39))
    if [ -z "$n" ]; then
        for n in $(seq "$2" "$last"); do
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
    mkdir -p "$WINEPREFIX"  # the server of a prefix that does not exist yet cannot start
    wineserver -p </dev/null >/dev/null 2>&1
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
    # With no window manager on the display, Wine places, maximises and draws every window
    # itself, frame and caption included, as Windows would.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f \
        >/dev/null 2>&1
}

winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# Both places Wine reads the DPI from.
set_dpi() {
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        >/dev/null 2>&1
    "$wine" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# With nothing but Python's standard library.
bmp_to_png() {
    python3 - "$@" <<'EOF'
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
}
