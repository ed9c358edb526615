#!/usr/bin/env bash
# Builds the fuzz preset and runs the jpconv fuzz target for a bounded time.
# Usage: scripts/fuzz-jpconv.sh [SECONDS]   (default 60)
# Exits non-zero when the fuzzer finds a crash; the input that caused it is left in
# build/fuzz/jpconv-fuzz/artifacts/ and becomes a regression test.
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."

cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target jpconv_fuzz -j2

work=build/fuzz/jpconv-fuzz
mkdir -p "$work/corpus" "$work/artifacts"
# New inputs go to the first folder; the checked-in seeds are only read.
build/fuzz/bin/jpconv_fuzz \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" \
    "$work/corpus" Fuzz/jpconv/corpus
