#!/usr/bin/env bash
# Fuzzes the port service's request codec, phone table and client decoder, and the phone
# identification's AT dialogue, with libFuzzer,
# under AddressSanitizer (leaks included) and UBSan, in its own build folder build/fuzz.
#   scripts/fuzz.sh smoke        every target for 15 s (the test script runs this)
#   scripts/fuzz.sh long [secs]  every target for secs seconds (default 600), e.g. overnight: 28800
# The corpus grows in build/fuzz/corpus/<target> and is reused by the next run. A crash, leak or
# failed check stops the run, leaves the input as build/fuzz/artifacts/<target>/crash-*, and
# makes the script exit non-zero. Replay one with: build/fuzz/bin/<target> <file>
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode="${1:-smoke}"
case "$mode" in
smoke) seconds=15 ;;
long) seconds="${2:-600}" ;;
*) echo "usage: $0 smoke | long [seconds per target]" >&2; exit 2 ;;
esac

build="$root/build/fuzz"
targets=(fuzz_port_service fuzz_client_decoder fuzz_at_dialogue)
jobs="${HITCHED_JOBS:-2}"

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DHITCHED_FUZZ=ON \
        -DHITCHED_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build.configure.log" 2>&1 \
        || { tail -n 30 "$build.configure.log"; exit 1; }
fi
cmake --build "$build" -j "$jobs" --target fuzz_targets >"$build.build.log" 2>&1 \
    || { tail -n 40 "$build.build.log"; exit 1; }

status=0
for t in "${targets[@]}"; do
    corpus="$build/corpus/$t"
    artifacts="$build/artifacts/$t/"
    mkdir -p "$corpus" "$artifacts"
    log="$build/$t.log"
    dict="$root/tests/fuzz/$t.dict"
    [ -f "$dict" ] || dict="$root/tests/fuzz/protocol.dict"
    echo "== $t: $seconds s"
    if "$build/bin/$t" "$corpus" -dict="$dict" -max_total_time="$seconds" \
        -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts" >"$log" 2>&1; then
        runs=$(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$log" | tail -n1)
        execs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
        cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n1)
        echo "   ${runs:-?}(s); executed units: ${execs:-?}; $cov; corpus: $(ls "$corpus" | wc -l) files"
        echo "   no crash, no leak, no failed check"
    else
        status=1
        echo "   FAILED: see $log"
        grep -E 'ERROR|check failed|SUMMARY|artifact' "$log" | head -n 10
    fi
done
exit $status
