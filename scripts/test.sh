#!/usr/bin/env bash
# Runs every test of Hitched: installs what is missing, builds the native, win64 and win32
# presets (and the ThreadSanitizer build) and the release packages, runs the native tests, the
# Wine tests, a short fuzz smoke run and the benchmarks in quick mode, and ends with
# "N passed, N failed".
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${HITCHED_JOBS:-$(nproc)}"

"$root/scripts/deps.sh" || { echo "dependency installation failed"; echo "0 passed, 1 failed"; exit 1; }

passed=0
failed=0
failures=()
count_ctest() { # $1 = label, $2 = ctest log
    local line total bad
    line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$2" | tail -n1)
    if [ -z "$line" ]; then
        failed=$((failed + 1)); failures+=("$1: no test summary"); return
    fi
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - bad)); failed=$((failed + bad))
    [ "$bad" -eq 0 ] || failures+=("$1: $bad failed")
}
step() { # $1 = label, $2 = log file, rest = command; a failing step counts as one failure
    local label=$1 log=$2; shift 2
    echo "== $label"
    if ! "$@" >"$log" 2>&1; then
        tail -n 40 "$log"
        failed=$((failed + 1)); failures+=("$label"); return 1
    fi
}

mkdir -p build/logs
for preset in native native-tsan win64 win32; do
    step "configure $preset" "build/logs/configure-$preset.log" cmake --preset "$preset" || continue
    # The i686 release build proves the program, its libraries and every record's layout
    # assertions compile for 32 bits; its tests cannot run here (Wine runs 64-bit only).
    targets=()
    [ "$preset" = win32 ] && targets=(--target hitched_dist)
    step "build $preset" "build/logs/build-$preset.log" cmake --build --preset "$preset" -j "$jobs" "${targets[@]}"
done

# The release packages of both Windows builds; the x86_64 installer is then tested under Wine.
if step "packages" build/logs/package.log scripts/package.sh win64 win32; then
    cat build/logs/package.log
fi

for preset in native native-tsan win64; do
    [ -f "build/$preset/CTestTestfile.cmake" ] || continue
    echo "== test $preset"
    ctest --preset "$preset" -j "$jobs" 2>&1 | tee "build/logs/test-$preset.log" | grep -E -v '(^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed)|(^ +Start +[0-9]+: )'
    count_ctest "test $preset" "build/logs/test-$preset.log"
done

if [ -x scripts/fuzz.sh ]; then
    step "fuzz smoke" build/logs/fuzz.log scripts/fuzz.sh smoke && grep -E -i 'exec|inputs|done' build/logs/fuzz.log | tail -n 4
fi
if [ -x scripts/bench.sh ]; then
    step "benchmarks (quick)" build/logs/bench.log scripts/bench.sh quick && cat build/logs/bench.log
fi

echo
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
