#!/usr/bin/env bash
# Runs Hitched under Wine: installs what is missing, builds the x86_64 Windows program and
# starts hitched.exe from the install layout, on your display if DISPLAY is set, otherwise on
# a private Xvfb display. Extra arguments go to hitched.exe. Ctrl+C stops it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
"$root/scripts/deps.sh"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target hitched_dist >/dev/null

# A prefix of its own, so a running Hitched never meets the tests' wineserver.
export HITCHED_WINE_DIR="$root/build/run-wine"
[ -n "${DISPLAY:-}" ] && export HITCHED_DISPLAY="$DISPLAY"
"$root/scripts/wine/start.sh"
source "$root/scripts/wine/env.sh"
trap '"$root/scripts/wine/stop.sh"' EXIT
if [ -z "${HITCHED_DISPLAY:-}" ]; then
    echo "Hitched runs on the private display $DISPLAY. To see it:"
    echo "  DISPLAY=$DISPLAY import -window root hitched.png   (a screenshot)"
fi
echo "Port service: TCP 9520. Stop with Ctrl+C."
wine "$root/build/win64/dist/hitched.exe" "$@"
