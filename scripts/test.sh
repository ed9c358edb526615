#!/usr/bin/env bash
# Sets up the machine, builds all three targets and runs every test: natively, natively with
# AddressSanitizer and UndefinedBehaviorSanitizer, under Wine for the x86_64 Windows build, and a
# bounded fuzz run. Ends with one summary line "N passed, M failed" and a matching exit code.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh || { echo "setup failed"; exit 1; }

jobs=$(nproc)
log_dir=$root/build/test-logs
mkdir -p "$log_dir"
rm -f "$log_dir"/test-*.log
failed_steps=()

step() {  # step NAME COMMAND...: runs a build step, keeps its output in a log, reports failure
    local name=$1
    shift
    echo "== $name"
    if ! "$@" >"$log_dir/$name.log" 2>&1; then
        tail -n 60 "$log_dir/$name.log"
        failed_steps+=("$name")
        return 1
    fi
}

build_preset() {
    cmake --preset "$1" && cmake --build --preset "$1" -j "$jobs"
}

# Wine and a display for the Windows tests; both are stopped however the tests end.
# Wine turns Windows file names into the system's through the locale's character set: without a
# UTF-8 locale (a bare environment has none) names outside ASCII cannot be made.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
    unset LC_ALL LC_CTYPE
    export LANG=C.UTF-8
fi
export WINEDEBUG=-all
export WINEPREFIX=$root/build/mingw64/wineprefix
xvfb_pid=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

step build-native build_preset native
step build-mingw64 build_preset mingw64
step build-mingw32 build_preset mingw32
step build-native-asan build_preset native-asan

passed=0
failed=0
run_ctest() {  # run_ctest PRESET [CTEST ARGS]: adds the preset's results to the totals
    local preset=$1 out
    shift
    echo "== test-$preset"
    out=$(ctest --preset "$preset" -j "$jobs" "$@" 2>&1)
    echo "$out" | grep -E '^ *[0-9]+/[0-9]+ Test|tests passed|Errors while running' || true
    echo "$out" >> "$log_dir/test-$preset.log"
    local summary total bad
    summary=$(echo "$out" | grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' | tail -1)
    if [ -z "$summary" ]; then
        echo "$out" | tail -n 40
        failed=$((failed + 1))
        return
    fi
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    total=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$bad" -gt 0 ] && echo "$out" | grep -A40 -E 'FAILED|\*\*\*' | head -n 120
}

[ -d build/native ] && run_ctest native
[ -d build/native-asan ] && run_ctest native-asan

if [ -d build/mingw64 ]; then
    if [ -z "${DISPLAY:-}" ]; then
        for n in $(seq 90 99); do
            [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { display=":$n"; break; }
        done
        Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=$display
    fi
    mkdir -p "$WINEPREFIX"  # the server of a prefix that does not exist yet cannot start
    wineserver -p </dev/null >/dev/null 2>&1
    # Bring the prefix up before ctest: the services a fresh prefix starts would otherwise
    # inherit the output pipe of the first test and keep ctest waiting for it.
    /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
    # The tests wait on handshakes, never on the clock, but under Wine a program sometimes fails
    # to start when many start at once: cmd.exe or the program it starts never runs (exit code
    # -1 or 9009), or a converter ends without its output. Three of ten whole runs of the batch
    # suite failed so while the window tests ran beside it. A suite that fails gets one more
    # try, and the log keeps both attempts. The window tests drive a whole dialog through Xvfb.
    run_ctest mingw64 -E '_gui_test|_window_test' --repeat until-pass:2
    run_ctest mingw64 -R '_gui_test|_window_test' --repeat until-pass:2
fi

# The 32-bit deliverable as users receive it: a ZIP archive and an installer, checked file by file.
echo "== packages"
if (cd build/mingw32 && cpack -G "ZIP;NSIS") >"$log_dir/packages.log" 2>&1; then
    out=$(python3 Tests/Packaging/check_package.py build/mingw32 2>&1)
    echo "$out" | grep -v '^ok' || true
    counts=$(echo "$out" | tail -1)
    passed=$((passed + $(echo "$counts" | sed -E 's/^([0-9]+) passed.*/\1/')))
    failed=$((failed + $(echo "$counts" | sed -E 's/.*, ([0-9]+) failed.*/\1/')))
else
    tail -n 40 "$log_dir/packages.log"
    failed=$((failed + 1))
fi

# Every fuzz target for FUZZ_SECONDS each; each target counts as one test.
echo "== fuzz"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-30}" >"$log_dir/fuzz.log" 2>&1
fuzz_passed=$(grep -c '^ok ' "$log_dir/fuzz.log")
fuzz_failed=$(grep -c '^FAILED ' "$log_dir/fuzz.log")
grep -E '^(ok|FAILED) ' "$log_dir/fuzz.log" || true
if [ "$fuzz_passed" -eq 0 ] && [ "$fuzz_failed" -eq 0 ]; then
    fuzz_failed=1  # the build failed or found no target
fi
[ "$fuzz_failed" -gt 0 ] && tail -n 40 "$log_dir/fuzz.log"
passed=$((passed + fuzz_passed))
failed=$((failed + fuzz_failed))

for s in "${failed_steps[@]}"; do echo "step failed: $s"; failed=$((failed + 1)); done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
