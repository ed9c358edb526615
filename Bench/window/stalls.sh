#!/usr/bin/env bash
# How long brelo's window keeps its callers waiting while it puts big trees in, under Wine on a
# virtual display, timed from outside by probe_stalls: 50,000 files in 500 folders, a WM_NULL
# round trip every 50 ms, one click on Refresh, then a new input pattern typed with Auto Refresh
# on. ROUNDS rounds; with BEFORE_EXE, that brelo.exe takes turns with the one in BIN_DIR (the
# order rotates from round to round). Prints every run and the medians per build.
# Usage: Bench/window/stalls.sh BIN_DIR [ROUNDS] [BEFORE_EXE]
#   BIN_DIR: a mingw64 build's bin folder with brelo.exe and probe_stalls.exe
#            (configure with -DBRELO_BENCH=ON)
# Environment: BENCH_DISPLAY (default 83; an Xvfb is started there unless one runs),
#   WINEPREFIX (default BIN_DIR/../bench-wineprefix), BENCH_WORK (default a temporary folder;
#   the 50,000 files stay there for the next call when it is set), BENCH_KEY_GAP_MS (150).
set -euo pipefail
bin=$(cd "$1" && pwd)
rounds=${2:-3}
before=${3:+$(cd "$(dirname "$3")" && pwd)/$(basename "$3")}
display=${BENCH_DISPLAY:-83}
key_gap=${BENCH_KEY_GAP_MS:-150}
export WINEPREFIX=${WINEPREFIX:-$(dirname "$bin")/bench-wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=:$display
wine=/usr/lib/wine/wine64
if [ -n "${BENCH_WORK:-}" ]; then
    work=$BENCH_WORK
    mkdir -p "$work"
else
    work=$(mktemp -d)
fi

xvfb_pid=
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -z "${BENCH_WORK:-}" ] && rm -rf "$work"
}
trap cleanup EXIT
if [ ! -e "/tmp/.X11-unix/X$display" ]; then
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 2
fi
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 || true  # fails when the server already runs
"$wine" cmd /c exit </dev/null >/dev/null 2>&1

winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# 500 folders of 100 empty texts each. "*.txt" shows them all (1 root + 500 folders + 50,000
# files per tree); the typed "f*.txt" shows the same files again but not the two the probe adds
# before its click, so each state of the trees has a count of its own.
folders=500
per_folder=100
opening_items=$((1 + folders + folders * per_folder))
typed_pattern='f*.txt'
typed_items=$opening_items
if [ ! -f "$work/in/.complete" ]; then
    rm -rf "$work/in"
    python3 - "$work/in" "$folders" "$per_folder" <<'EOF'
import os, sys
root, folders, per_folder = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for d in range(folders):
    folder = os.path.join(root, "d%03d" % d)
    os.makedirs(folder)
    for f in range(per_folder):
        open(os.path.join(folder, "f%02d.txt" % f), "wb").close()
EOF
    touch "$work/in/.complete"
fi

stage() {  # name brelo_exe
    mkdir -p "$work/stage/$1"
    cp "$2" "$work/stage/$1/brelo.exe"
    {
        printf '[Input]\r\nInput Directory 001=%s\r\n' "$(winpath "$work/in")"
        printf 'File Patterns 001=*.txt\r\n'
        printf 'Include Subfolders=1\r\nAuto Refresh=1\r\n'
        printf '[Output]\r\nOutput Directory 001=%s\r\n' "$(winpath "$work/out")"
        printf 'File Patterns 001=${prefix}.${suffix}\r\nAuto Refresh=1\r\n'
    } >"$work/stage/$1/BRELO.ini"
}

tools="after"
if [ -n "$before" ]; then tools="after before"; fi
read -r -a order <<<"$tools"
results=$work/stall-results
: >"$results"
for ((round = 0; round < rounds; round++)); do
    for ((k = 0; k < ${#order[@]}; k++)); do
        tool=${order[$(((k + round) % ${#order[@]}))]}
        case $tool in
        after) stage after "$bin/brelo.exe" ;;
        before) stage before "$before" ;;
        esac
        line=$("$wine" "$(winpath "$bin/probe_stalls.exe")" "$(winpath "$work/stage/$tool/brelo.exe")" \
            "$(winpath "$work/in")" "$opening_items" "$typed_pattern" "$typed_items" "$key_gap" \
            </dev/null 2>"$work/probe-errors" | tr -d '\r') || true
        [ -n "$line" ] || line=$(tr -d '\r' <"$work/probe-errors")
        printf 'round %d %-6s %s\n' $((round + 1)) "$tool" "$line"
        grep -q '^refresh longest' <<<"$line" && echo "$tool $line" >>"$results"
    done
done

echo
echo "$((folders * per_folder)) files in $folders folders, $rounds rounds, medians;" \
    "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$results" <<'EOF'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    words = line.split()
    # "refresh longest A full B typing longest C settled D pings E"
    runs.setdefault(words[0], []).append(
        (float(words[3]), float(words[5]), float(words[8]), float(words[10])))
print("| build | runs | refresh: longest round trip ms | trees full s | typing: longest round trip ms | settled s |")
print("|---|---:|---:|---:|---:|---:|")
for tool, rows in runs.items():
    med = [statistics.median(column) for column in zip(*rows)]
    print("| %s | %d | %.0f | %.2f | %.0f | %.2f |" % (tool, len(rows), med[0], med[1], med[2], med[3]))
EOF
