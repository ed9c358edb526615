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
export WINEPREFIX=$(dirname "$bin")/marks-screens-wineprefix
work=$(mktemp -d)
. "$root/scripts/wine-display.sh"
trap 'stop_display; rm -rf "$work"' EXIT

start_display 1600x1200 180

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

bmp_to_png "$out" "$work"/*.bmp
