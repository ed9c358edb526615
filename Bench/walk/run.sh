#!/usr/bin/env bash
# Side by side, in one run, medians of ROUNDS rounds with the tools interleaved in each round:
#  scan:  100,000 files in 1,000 directories three levels deep, scanned into the in-memory trees
#         by walk_scan, against find DIR -name PATTERN; once with a pattern that matches 90% of
#         the files, once with one that matches 10 files; walk_most: the first scan into trees that
#         keep nothing (the walk, matching and output names alone); small_most: the first scan
#         into compact trees without large pages.
#  batch: 10,000 matching files converted by walk_batch (log shown at most every 100 ms) with the
#         trivial converter, against find -exec starting it per file and the bare posix_spawn
#         loop (spawn_floor) starting it 10,000 times; BATCH_ROUNDS rounds.
#  log:   walk_batch at 1,000 and 10,000 files with a converter that cannot start (so that no
#         process start hides the cost of the log box), log shown after every file versus at most
#         every 100 ms; ROUNDS rounds.
# Usage: Bench/walk/run.sh BUILD_BIN_DIR [ROUNDS] [BATCH_ROUNDS]
set -euo pipefail
bin=$(cd "$1" && pwd)
rounds=${2:-5}
batch_rounds=${3:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trivial=$bin/spawn_trivial

# The scan tree: 10 x 10 x 10 leaf folders of 100 files each: 90 .txt, 10 .dat; ten .xyz files.
for a in $(seq 0 9); do for b in $(seq 0 9); do for c in $(seq 0 9); do
    d=$work/tree/d$a/e$b/f$c
    mkdir -p "$d"
    (cd "$d" && seq -f 'n%02g.txt' 0 89 | xargs touch && seq -f 'n%02g.dat' 90 99 | xargs touch)
done; done; done
for a in $(seq 0 9); do touch "$work/tree/d$a/e0/f0/rare.xyz"; done
# The batch trees: 1,000 and 10,000 matching files, 100 per folder.
for n in 1000 10000; do
    for f in $(seq 0 $((n / 100 - 1))); do
        mkdir -p "$work/batch$n/g$f"
        (cd "$work/batch$n/g$f" && seq -f 'm%02g.txt' 0 99 | xargs touch)
    done
done

seconds() {  # runs the command, prints its wall time in seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
fresh() { rm -rf "$work/out" && mkdir "$work/out"; }
batch() {  # files interval [converter]
    fresh
    seconds "$bin/walk_batch" "$work/batch$1" "$work/out" "${3:-$trivial}" '*.txt' "$2"
}
missing=$work/no-such-converter
find_exec() {
    fresh
    seconds find "$work/batch10000" -name '*.txt' -exec "$trivial" '{}' "$work/out/x" ';'
}

declare -A times
measure() {  # round tool
    local t
    case $2 in
    scan_most) t=$(seconds "$bin/walk_scan" "$work/tree" '*.txt') ;;
    find_most) t=$(seconds find "$work/tree" -name '*.txt') ;;
    scan_rare) t=$(seconds "$bin/walk_scan" "$work/tree" '*.xyz') ;;
    walk_most) t=$(seconds "$bin/walk_scan" "$work/tree" '*.txt' 1 --discard) ;;
    small_most) t=$(seconds "$bin/walk_scan" "$work/tree" '*.txt' 1 --small-pages) ;;
    find_rare) t=$(seconds find "$work/tree" -name '*.xyz') ;;
    floor) t=$(seconds "$bin/spawn_floor" 10000 "$trivial") ;;
    find_exec) t=$(find_exec) ;;
    batch) t=$(batch 10000 100) ;;
    log1k_each) t=$(batch 1000 0 "$missing") ;;
    log1k_100ms) t=$(batch 1000 100 "$missing") ;;
    log10k_each) t=$(batch 10000 0 "$missing") ;;
    log10k_100ms) t=$(batch 10000 100 "$missing") ;;
    esac
    times[$2]="${times[$2]:-} $t"
    printf 'round %d %-13s %8.3f s\n' "$1" "$2" "$t"
}
quick_tools="scan_most small_most walk_most find_most scan_rare find_rare log1k_each log1k_100ms log10k_each log10k_100ms"
batch_tools="floor batch find_exec"
for round in $(seq 1 "$rounds"); do
    for tool in $quick_tools; do measure "$round" "$tool"; done
done
for round in $(seq 1 "$batch_rounds"); do
    for tool in $batch_tools; do measure "$round" "$tool"; done
done
tools=$quick_tools
[ "$batch_rounds" -gt 0 ] && tools="$tools $batch_tools"

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
m() { echo "${times[$1]}" | median; }
entries=$(find "$work/tree" | wc -l)
echo
printf '%-13s %10s\n' tool 'median s'
for tool in $tools; do printf '%-13s %10.3f\n' "$tool" "$(m "$tool")"; done
echo
printf 'scan, pattern matching most:   %8.0f entries/s vs find %8.0f  (find time / scan time %.2f)\n' \
    "$(echo "$entries / $(m scan_most)" | bc -l)" "$(echo "$entries / $(m find_most)" | bc -l)" \
    "$(echo "$(m find_most) / $(m scan_most)" | bc -l)"
printf 'scan without large pages:      %8.0f entries/s vs find %8.0f  (find time / scan time %.2f)\n' \
    "$(echo "$entries / $(m small_most)" | bc -l)" "$(echo "$entries / $(m find_most)" | bc -l)" \
    "$(echo "$(m find_most) / $(m small_most)" | bc -l)"
printf 'walk alone, matching most:     %8.0f entries/s vs find %8.0f  (find time / walk time %.2f)\n' \
    "$(echo "$entries / $(m walk_most)" | bc -l)" "$(echo "$entries / $(m find_most)" | bc -l)" \
    "$(echo "$(m find_most) / $(m walk_most)" | bc -l)"
printf 'scan, pattern matching 10:     %8.0f entries/s vs find %8.0f  (find time / scan time %.2f)\n' \
    "$(echo "$entries / $(m scan_rare)" | bc -l)" "$(echo "$entries / $(m find_rare)" | bc -l)" \
    "$(echo "$(m find_rare) / $(m scan_rare)" | bc -l)"
if [ "$batch_rounds" -gt 0 ]; then
    printf 'batch 10,000 files: %.3f x floor, find -exec %.3f x floor\n' \
        "$(echo "$(m batch) / $(m floor)" | bc -l)" "$(echo "$(m find_exec) / $(m floor)" | bc -l)"
fi
for mode in each 100ms; do
    printf 'log shown %-5s: %6.1f us per file at 1,000 files, %6.1f us per file at 10,000\n' "$mode" \
        "$(echo "$(m log1k_$mode) * 1000" | bc -l)" "$(echo "$(m log10k_$mode) * 100" | bc -l)"
done
