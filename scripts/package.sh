#!/usr/bin/env bash
# Builds the release packages of each Windows preset (default: win64 win32) with CPack: a zip of
# the install layout and an NSIS installer, in build/<preset>/packages/, named
# Hitched-<version>-<win64|win32>. Prints their names and sizes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${HITCHED_JOBS:-$(nproc)}"
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win64 win32)
for preset in "${presets[@]}"; do
    build="$root/build/$preset"
    [ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" --target hitched_dist >/dev/null
    rm -rf "$build/packages"
    (cd "$build" && cpack --config CPackConfig.cmake >"$build/cpack.log" 2>&1) \
        || { tail -n 30 "$build/cpack.log"; exit 1; }
    for f in "$build"/packages/Hitched-*.{zip,exe}; do
        printf '%-40s %8d bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"
    done
done
