#!/usr/bin/env bash
# brelo's window under Wine on a virtual display, timed from outside, against the plain converter
# loop (hash_loop) under the same wineserver: FILES input files, 100 to a folder, hashmd5 as the
# converter, ROUNDS rounds with the tools taking turns (the order rotates from round to round).
# drive_brelo starts brelo with a BRELO.ini written beside it (the fields and the converter),
# presses Run and waits for the button to read "Run" again. The seconds each SLICE files took
# come from the output files' modification times, which cost brelo nothing. Prints every run
# and a table of medians, with the CPU time brelo (or the loop) itself spent in each slice,
# sampled from /proc, which shows its own cost apart from the converters' and the machine's.
# Usage: Bench/window/run.sh BIN_DIR [FILES] [ROUNDS] [SLICE] [BEFORE_BIN_DIR]
#   BIN_DIR: a mingw64 build's bin folder with brelo.exe, hashmd5.exe, drive_brelo.exe and
#            hash_loop.exe (configure with -DBRELO_BENCH=ON)
#   BEFORE_BIN_DIR: another build's bin folder whose brelo.exe is timed too, as "before"
# Tools: brelo (the window), loop (hash_loop), before (BEFORE_BIN_DIR's brelo) and batch
# (brelo-batch.exe from BIN_DIR with the same BRELO.ini, timed by this script around its start).
# Environment: BENCH_TOOLS (default "brelo loop", with "before" when BEFORE_BIN_DIR is given),
#   BENCH_DISPLAY (default 83; an Xvfb is started there unless one runs),
#   WINEPREFIX (default BIN_DIR/../bench-wineprefix), BENCH_WORK (default a temporary folder).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
files=${2:-2000}
rounds=${3:-3}
slice=${4:-500}
before=${5:+$(cd "$5" && pwd)}
display=${BENCH_DISPLAY:-83}
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

# The input: small distinct texts, 100 to a folder.
if [ ! -d "$work/in" ]; then
    for ((i = 0; i < files; i++)); do
        folder=$work/in/g$(printf %03d $((i / 100)))
        [ $((i % 100)) -eq 0 ] && mkdir -p "$folder"
        printf 'text number %d\r\n' "$i" >"$folder/m$(printf %02d $((i % 100))).txt"
    done
fi

# Each brelo in a folder of its own with the converter beside it, as the ready folder has them.
stage() {  # name brelo_exe
    mkdir -p "$work/stage/$1"
    cp "$2" "$bin/hashmd5.exe" "$work/stage/$1/"
}
stage brelo "$bin/brelo.exe"
[ -f "$bin/brelo-batch.exe" ] && stage batch "$bin/brelo-batch.exe"
tools="brelo loop"
if [ -n "$before" ]; then
    stage before "$before/brelo.exe"
    tools="brelo before loop"
fi
tools=${BENCH_TOOLS:-$tools}

write_ini() {  # folder
    {
        printf '[Input]\r\nInput Directory 001=%s\r\n' "$(winpath "$work/in")"
        printf 'File Patterns 001=*.txt\r\n'
        printf 'Include Subfolders=1\r\nAuto Refresh=1\r\n'
        printf '[Output]\r\nOutput Directory 001=%s\r\n' "$(winpath "$work/out")"
        printf 'File Patterns 001=${prefix}.${suffix}\r\nAuto Refresh=1\r\n'
        printf '[Converter]\r\nConverter_Number=1\r\nCurrent Converter=0\r\n'
        printf 'Converter001_Title=MD5 digest\r\nConverter001_ExeFile=.\\hashmd5.exe\r\n'
        printf 'Converter001_Arguments=${infile} ${outfile}\r\nConverter001_WorkDir=${location}\r\n'
    } >"$1/BRELO.ini"
}

run_tool() {  # tool log: prints "press S end S run S" and a total line
    case $1 in
    brelo | before)
        write_ini "$work/stage/$1"
        "$wine" "$(winpath "$bin/drive_brelo.exe")" "$(winpath "$work/stage/$1/brelo.exe")" \
            "$(winpath "$2")" ;;
    loop)
        "$wine" "$(winpath "$bin/hash_loop.exe")" "$(winpath "$work/stage/brelo/hashmd5.exe")" \
            "$(winpath "$work/in")" "$(winpath "$work/out")" ;;
    batch)
        # From before its start to after its end: Wine's start of the program counts here.
        write_ini "$work/stage/batch"
        local press end
        press=$(date +%s.%N)
        "$wine" "$(winpath "$work/stage/batch/brelo-batch.exe")" --no-progress >"$2" 2>&1 || true
        end=$(date +%s.%N)
        python3 -c "import sys; p, e = map(float, sys.argv[1:]); print(f'press {p:.3f} end {e:.3f} run {e - p:.3f}')" \
            "$press" "$end"
        grep -a 'Total' "$2" || true ;;
    esac
}

results=$work/results
: >"$results"
read -r -a order <<<"$tools"
for ((round = 0; round < rounds; round++)); do
    for ((k = 0; k < ${#order[@]}; k++)); do
        tool=${order[$(((k + round) % ${#order[@]}))]}
        rm -rf "$work/out"
        mkdir "$work/out"
        log=$work/log-$tool-$((round + 1)).txt
        # brelo's (or the loop's) own CPU, sampled from outside while it runs.
        rm -f "$work/cpu"
        case $tool in
        loop) program=$(winpath "$bin/hash_loop.exe") ;;
        batch) program=$(winpath "$work/stage/batch/brelo-batch.exe") ;;
        *) program=$(winpath "$work/stage/$tool/brelo.exe") ;;
        esac
        python3 "$here/slices.py" sample "$program" "$work/cpu" &
        sampler=$!
        report=$(run_tool "$tool" "$log" </dev/null | tr -d '\r') || true
        wait "$sampler" || true
        read -r _ press _ end _ <<<"$(head -n1 <<<"$report")"
        # A run missing more than two outputs stays out of the table; brelo's log tells why.
        if line=$(python3 "$here/slices.py" run "$work/out" "$files" "$slice" "$press" "$end" \
            "$work/cpu" 2>"$work/missing"); then
            echo "$tool $line" >>"$results"
            [ -s "$work/missing" ] && line="$line; $(cat "$work/missing")"
        else
            line="$(cat "$work/missing")"
            [ -f "$log" ] && line="$line; the log: $log (kept with BENCH_WORK set)"
        fi
        printf 'round %d %-6s %s  (%s)\n' $((round + 1)) "$tool" "$line" "$(tail -n1 <<<"$report")"
    done
done

echo
echo "$files files, hashmd5, $rounds rounds, medians;" \
    "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 "$here/slices.py" table "$results" "$slice"
