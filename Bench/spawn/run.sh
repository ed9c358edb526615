#!/usr/bin/env bash
# Side by side, in one run: COUNT starts of the trivial converter through brelo's process runner,
# through xargs -n1, through find -exec, and through a bare posix_spawn+pipe loop. ROUNDS rounds,
# tools interleaved within each round; prints every time and each tool's median.
# Usage: Bench/spawn/run.sh BUILD_BIN_DIR [COUNT] [ROUNDS]
set -euo pipefail
bin=$(cd "$1" && pwd)
count=${2:-10000}
rounds=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/files"
# find visits one file per start; the names are what xargs hands over too.
(cd "$work/files" && seq -f 'f%05g' 1 "$count" | xargs touch)
seq -f 'f%05g' 1 "$count" >"$work/names"
trivial=$bin/spawn_trivial

seconds() {  # runs the command, prints its wall time in seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

declare -A times
tools="floor runner runner_nostop xargs find"
for round in $(seq 1 "$rounds"); do
    for tool in $tools; do
        case $tool in
        floor) t=$(seconds "$bin/spawn_floor" "$count" "$trivial") ;;
        runner) t=$(seconds "$bin/spawn_runner" "$count" "$trivial" "$work") ;;
        runner_nostop) t=$(seconds "$bin/spawn_runner" "$count" "$trivial" "$work" --no-stop) ;;
        xargs) t=$(seconds xargs -n1 -a "$work/names" "$trivial") ;;
        find) t=$(seconds find "$work/files" -type f -exec "$trivial" '{}' ';') ;;
        esac
        times[$tool]="${times[$tool]:-} $t"
        printf 'round %d %-14s %8.3f s\n' "$round" "$tool" "$t"
    done
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
floor=$(echo "${times[floor]}" | median)
echo
printf '%-14s %10s %10s %8s\n' tool 'median s' 'per start' 'x floor'
for tool in $tools; do
    m=$(echo "${times[$tool]}" | median)
    printf '%-14s %10.3f %8.0f us %8.3f\n' "$tool" "$m" "$(echo "$m * 1000000 / $count" | bc -l)" \
        "$(echo "$m / $floor" | bc -l)"
done
