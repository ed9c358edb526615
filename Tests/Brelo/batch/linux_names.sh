#!/bin/sh
# Makes, on the Linux side of Wine's drive Z:, input names that a Windows program cannot create
# (a double quote, a trailing dot or blank), then runs the command after the folder with
# BRELO_LINUX_NAMES naming that folder as Windows sees it.
# Usage: linux_names.sh FOLDER COMMAND...
set -e
dir=$1
shift
rm -rf "$dir"
mkdir -p "$dir"
for name in 'q"uote.txt' 'dot.txt.' 'blank.txt ' 'x&y.txt' 'per%OS%cent.txt' 'con.txt' 'nul'; do
    printf abc > "$dir/$name"
done
# Device names, which Windows programs open as the device, fail in the converter.
# What Windows programs open for "dot.txt." and "blank.txt ".
printf xyz > "$dir/dot.txt"
printf xyz > "$dir/blank.txt"
BRELO_LINUX_NAMES="Z:$(printf '%s' "$dir" | tr / '\\')" exec "$@"
