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
export WINEPREFIX=$(dirname "$bin")/screens-wineprefix
work=$(mktemp -d)
. "$(dirname "$0")/../../../scripts/wine-display.sh"
trap 'stop_display; rm -rf "$work"' EXIT

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

start_display 2560x1600 140
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

start_display 1280x720 140
set_dpi 144
write_settings
drive items 0 dir "$samples" refresh items "$items" \
      shot "$(winpath "$work/dpi-144-4-screen-1280x720.bmp")" close
stop_display

bmp_to_png "$out" "$work"/*.bmp
