#!/usr/bin/env bash
# Side by side, in one run: COUNT starts of the trivial converter through brelo's process runner
# (with and without a stop event), through xargs -n1, through find -exec, and through a bare
# posix_spawn+pipe loop. The machine's load drifts, so the starts go in slices of SLICE, the tools
# taking turns slice by slice; a round's time for a tool is the sum of its slices. Prints every
# round and each tool's median over ROUNDS rounds.
# Usage: Bench/spawn/run.sh BUILD_BIN_DIR [COUNT] [ROUNDS] [SLICE]
set -euo pipefail
bin=$(cd "$1" && pwd)
count=${2:-10000}
rounds=${3:-3}
slice=${4:-1000}
slices=$((count / slice))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/files"
# find visits one file per start; xargs hands over the same names, one per start.
(cd "$work/files" && seq -f 'f%05g' 1 "$slice" | xargs touch)
seq -f 'f%05g' 1 "$slice" >"$work/names"
trivial=$bin/spawn_trivial

seconds() {  # runs the command, prints its wall time in seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

run_slice() {
    case $1 in
    floor) seconds "$bin/spawn_floor" "$slice" "$trivial" ;;
    runner) seconds "$bin/spawn_runner" "$slice" "$trivial" "$work" ;;
    runner_nostop) seconds "$bin/spawn_runner" "$slice" "$trivial" "$work" --no-stop ;;
    xargs) seconds xargs -n1 -a "$work/names" "$trivial" ;;
    find) seconds find "$work/files" -type f -exec "$trivial" '{}' ';' ;;
    esac
}

declare -A totals
tools="floor runner runner_nostop xargs find"
for round in $(seq 1 "$rounds"); do
    declare -A sum=()
    for s in $(seq 1 "$slices"); do
        for tool in $tools; do
            sum[$tool]=$(echo "${sum[$tool]:-0} + $(run_slice "$tool")" | bc)
        done
    done
    for tool in $tools; do
        totals[$tool]="${totals[$tool]:-} ${sum[$tool]}"
        printf 'round %d %-14s %8.3f s  %6.3f x floor\n' "$round" "$tool" "${sum[$tool]}" \
            "$(echo "${sum[$tool]} / ${sum[floor]}" | bc -l)"
    done
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
floor=$(echo "${totals[floor]}" | median)
echo
echo "$count starts per tool and round, $rounds rounds, slices of $slice"
printf '%-14s %10s %12s %8s\n' tool 'median s' 'per start' 'x floor'
for tool in $tools; do
    m=$(echo "${totals[$tool]}" | median)
    printf '%-14s %10.3f %9.0f us %8.3f\n' "$tool" "$m" "$(echo "$m * 1000000 / $count" | bc -l)" \
        "$(echo "$m / $floor" | bc -l)"
done
