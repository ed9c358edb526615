#!/usr/bin/env bash
# hashmd5 against md5sum and openssl on the same page-cached files, side by side in one run.
# Usage: Bench/hashmd5/run.sh [BUILD_DIR] [RUNS]   (BUILD_DIR defaults to build/native)
# Prints a Markdown table: median wall time of RUNS interleaved runs, throughput, ratio to md5sum,
# and peak resident memory for a 1 MiB and a 1 GiB input.
set -euo pipefail
build=${1:-build/native}
runs=${2:-5}
hashmd5=$build/bin/hashmd5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

head -c $((1024 * 1024)) /dev/urandom >"$work/1m.bin"
head -c $((1024 * 1024 * 1024)) /dev/urandom >"$work/1g.bin"
cat "$work/1g.bin" >/dev/null  # into the page cache

declare -A commands=(
    [hashmd5]="$hashmd5 FILE $work/out.md5"
    [md5sum]="md5sum FILE"
    [openssl]="openssl dgst -md5 FILE"
)
order=(hashmd5 md5sum openssl)

wall() {  # wall COMMAND: elapsed seconds of one run
    /usr/bin/time -f %e -o "$work/t" bash -c "$1 >/dev/null"
    cat "$work/t"
}
rss() {  # rss COMMAND: peak resident set in KiB
    /usr/bin/time -f %M -o "$work/t" bash -c "exec $1 >/dev/null"
    cat "$work/t"
}
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

declare -A times
for ((i = 0; i < runs; i++)); do
    for tool in "${order[@]}"; do
        times[$tool]+="$(wall "${commands[$tool]//FILE/$work/1g.bin}") "
    done
done

md5sum_time=$(echo "${times[md5sum]}" | tr ' ' '\n' | grep . | median)
echo "| tool | median s (1 GiB, $runs runs) | MB/s | throughput vs md5sum | peak RSS 1 MiB | peak RSS 1 GiB |"
echo "|---|---|---|---|---|---|"
for tool in "${order[@]}"; do
    t=$(echo "${times[$tool]}" | tr ' ' '\n' | grep . | median)
    small=$(rss "${commands[$tool]//FILE/$work/1m.bin}")
    large=$(rss "${commands[$tool]//FILE/$work/1g.bin}")
    awk -v tool="$tool" -v t="$t" -v base="$md5sum_time" -v s="$small" -v l="$large" 'BEGIN {
        printf "| %s | %.2f | %.0f | %.2fx | %d KiB | %d KiB |\n", tool, t, 1073.741824 / t, base / t, s, l }'
done
