#!/usr/bin/env bash
# Builds the benchmarks in build/bench (Release, no sanitizers) and runs every bench_* binary.
#   scripts/bench.sh quick   each benchmark briefly: figures to look at, never a failure on time
#   scripts/bench.sh full    each benchmark long enough for stable figures (a few minutes)
# When the win64 build is there, the start-up under Wine follows (bench/startup_bench.py).
# Extra arguments go to every binary, e.g. --benchmark_filter=Rebuild.
# Exits non-zero only when the build fails or a benchmark binary crashes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode="${1:-quick}"
shift || true
case "$mode" in
quick) timing=(--benchmark_min_time=0.05); rounds=3 ;;
full) timing=(--benchmark_min_time=1 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true); rounds=10 ;;
*) echo "usage: $0 quick | full [benchmark arguments]" >&2; exit 2 ;;
esac

build="$root/build/bench"
jobs="${HITCHED_JOBS:-2}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DHITCHED_SANITIZE= \
        >"$build.configure.log" 2>&1 || { tail -n 30 "$build.configure.log"; exit 1; }
fi
cmake --build "$build" -j "$jobs" --target benchmarks >"$build.build.log" 2>&1 \
    || { tail -n 40 "$build.build.log"; exit 1; }

shopt -s nullglob
benches=("$build"/bin/bench_*)
[ ${#benches[@]} -gt 0 ] || { echo "no bench_* binaries in $build/bin"; exit 1; }
for b in "${benches[@]}"; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" "${timing[@]}" "$@"
done

win64="$root/build/win64"
if [ -f "$win64/dist/hitched.exe" ] && [ -f "$win64/bin/startup_baseline.exe" ] &&
    [ -f "$win64/bin/detection_helper.exe" ]; then
    echo "== startup_bench.py"
    python3 "$root/bench/startup_bench.py" "$win64" "$rounds"
fi
