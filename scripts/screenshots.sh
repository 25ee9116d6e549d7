#!/usr/bin/env bash
# Takes the README's screenshots of the wizard (docs/screenshots/) from the win64 build, under
# the build folder's private Xvfb and Wine prefix.
#   scripts/screenshots.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/win64}" && pwd)"
out="${2:-$root/docs/screenshots}"
cmake --build "$build" -j2 --target hitched_dist e2e_tests
export HITCHED_WINE_DIR="$build/wine"
"$root/scripts/wine/start.sh" >/dev/null
trap '"$root/scripts/wine/stop.sh" >/dev/null 2>&1 || true' EXIT
python3 "$root/scripts/screenshots.py" "$build" "$out"
