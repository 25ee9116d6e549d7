#!/usr/bin/env bash
# Runs every test of Hitched: installs what is missing, builds the native, win64 and win32
# presets (and the ThreadSanitizer build), runs the native tests, the Wine tests, a short fuzz
# smoke run and the benchmarks in quick mode, and ends with "N passed, N failed".
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
step() { # $1 = label, rest = command; a failing build step counts as one failure
    local label=$1; shift
    echo "== $label"
    if ! "$@"; then failed=$((failed + 1)); failures+=("$label"); return 1; fi
}

mkdir -p build/logs
for preset in native native-tsan win64 win32; do
    step "configure $preset" cmake --preset "$preset" >"build/logs/configure-$preset.log" 2>&1 \
        || { tail -n 30 "build/logs/configure-$preset.log"; continue; }
    step "build $preset" cmake --build --preset "$preset" -j "$jobs" >"build/logs/build-$preset.log" 2>&1 \
        || tail -n 40 "build/logs/build-$preset.log"
done

for preset in native native-tsan win64; do
    [ -f "build/$preset/CTestTestfile.cmake" ] || continue
    echo "== test $preset"
    ctest --preset "$preset" -j "$jobs" 2>&1 | tee "build/logs/test-$preset.log" | grep -E -v '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed'
    count_ctest "test $preset" "build/logs/test-$preset.log"
done

if [ -x scripts/fuzz.sh ]; then
    step "fuzz smoke" scripts/fuzz.sh smoke
fi
if [ -x scripts/bench.sh ]; then
    step "benchmarks (quick)" scripts/bench.sh quick
fi

echo
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
