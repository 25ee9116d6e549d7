#!/usr/bin/env bash
# Line coverage of the portable core by the native tests, per folder of production code.
# Builds build/coverage (Debug, gcc --coverage, no sanitizers), runs its CTest tests and prints
# one line per folder: covered / instrumented lines and the percentage (gcov's JSON, no lcov).
#   scripts/coverage.sh            build, test, report
#   scripts/coverage.sh report     report the last run again
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/coverage"
jobs="${HITCHED_JOBS:-$(nproc)}"
mkdir -p "$root/build"

if [ "${1:-}" != report ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DHITCHED_SANITIZE= \
        -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_C_FLAGS=--coverage \
        -DCMAKE_EXE_LINKER_FLAGS=--coverage >"$build.configure.log" 2>&1 \
        || { tail -n 30 "$build.configure.log"; exit 1; }
    cmake --build "$build" -j "$jobs" >"$build.build.log" 2>&1 || { tail -n 40 "$build.build.log"; exit 1; }
    find "$build" -name '*.gcda' -delete
    # Failing tests still count what they ran; the test command reports failures elsewhere.
    (cd "$build" && ctest -j "$jobs" >"$build.test.log" 2>&1) || true
    grep -E 'tests passed' "$build.test.log" || true
fi

python3 - "$root" "$build" <<'PY'
import gzip, json, os, subprocess, sys
root, build = sys.argv[1], sys.argv[2]
gcdas = [os.path.join(d, f) for d, _, fs in os.walk(build) for f in fs if f.endswith(".gcda")]
lines = {}  # (source, line) -> covered
for gcda in gcdas:
    out = subprocess.run(["gcov", "--json-format", "--stdout", gcda], cwd=os.path.dirname(gcda),
                         capture_output=True).stdout
    for chunk in out.splitlines():
        if not chunk.strip():
            continue
        data = json.loads(chunk)
        for f in data.get("files", []):
            path = os.path.realpath(os.path.join(data.get("current_working_directory", ""), f["file"]))
            if not path.startswith(root + os.sep):
                continue
            rel = os.path.relpath(path, root)
            top = rel.split(os.sep)[0]
            if top in ("tests", "build", "bench") or "/tests/" in rel:
                continue
            for l in f["lines"]:
                key = (rel, l["line_number"])
                lines[key] = lines.get(key, False) or l["count"] > 0
folders = {}
for (rel, _), hit in lines.items():
    top = rel.split(os.sep)[0]
    c, t = folders.get(top, (0, 0))
    folders[top] = (c + hit, t + 1)
allc = sum(c for c, _ in folders.values()); allt = sum(t for _, t in folders.values())
for top in sorted(folders):
    c, t = folders[top]
    print(f"{top:12s} {c:6d} / {t:6d} lines  {100.0 * c / t:5.1f}%")
print(f"{'all':12s} {allc:6d} / {allt:6d} lines  {100.0 * allc / max(allt, 1):5.1f}%")
PY
