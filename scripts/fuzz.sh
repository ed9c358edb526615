#!/usr/bin/env bash
# Builds the fuzz preset and runs libFuzzer targets for a bounded time each.
# Usage: scripts/fuzz.sh [SECONDS] [NAME...]   (default 60 seconds; every target)
# A target NAME_fuzz starts from its checked-in seeds (Fuzz/NAME/corpus, Fuzz/*/corpus-NAME),
# which are only read, and keeps what it finds in build/fuzz/NAME-fuzz/corpus. Ends with one
# line per target, "ok NAME" or "FAILED NAME", and exits non-zero when any target failed; the
# input that made it fail is left in build/fuzz/NAME-fuzz/artifacts/ and becomes a regression
# test. FUZZ_BUILD_DIR picks another build directory.
set -uo pipefail
seconds=${1:-60}
[ $# -gt 0 ] && shift
cd "$(dirname "$0")/.."
build=${FUZZ_BUILD_DIR:-build/fuzz}

cmake --preset fuzz -B "$build" >/dev/null || exit 1
# Every executable the Fuzz folder defines ends in _fuzz; the rest of the project is not built.
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    mapfile -t names < <(cmake --build "$build" --target help |
                         sed -n 's/^\([A-Za-z0-9_]*\)_fuzz: phony$/\1/p' | sort -u)
fi
[ ${#names[@]} -gt 0 ] || { echo "no fuzz targets found"; exit 1; }
targets=()
for name in "${names[@]}"; do targets+=("${name}_fuzz"); done
cmake --build "$build" --target "${targets[@]}" -j2 || exit 1

results=()
for name in "${names[@]}"; do
    work=$build/$name-fuzz
    mkdir -p "$work/corpus" "$work/artifacts"
    seeds=()
    for dir in Fuzz/"$name"/corpus Fuzz/*/corpus-"$name"; do
        [ -d "$dir" ] && seeds+=("$dir")
    done
    echo "== $name, $seconds seconds"
    if "$build/bin/${name}_fuzz" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" "${seeds[@]}"; then
        results+=("ok $name")
    else
        results+=("FAILED $name")
    fi
done
printf '%s\n' "${results[@]}"
! printf '%s\n' "${results[@]}" | grep -q '^FAILED'
