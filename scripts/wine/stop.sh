#!/usr/bin/env bash
# Ends the persistent wineserver (and every Wine process of the prefix) and the private Xvfb.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
: "${HITCHED_WINE_DIR:?}"
source "$here/env.sh"
wineserver -k >/dev/null 2>&1 </dev/null
if [ -s "$HITCHED_WINE_DIR/xvfb.pid" ]; then
    kill "$(cat "$HITCHED_WINE_DIR/xvfb.pid")" 2>/dev/null
    rm -f "$HITCHED_WINE_DIR/xvfb.pid" "$HITCHED_WINE_DIR/display"
fi
exit 0
