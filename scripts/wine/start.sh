#!/usr/bin/env bash
# Brings up, for one build folder: a private Xvfb display (unless HITCHED_DISPLAY names one),
# the private Wine prefix (created once, then reused) and a persistent wineserver. All of Wine's
# output goes to a log file, so no Wine service holds the caller's pipes open.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
: "${HITCHED_WINE_DIR:?}"
mkdir -p "$HITCHED_WINE_DIR"
log="$HITCHED_WINE_DIR/wine.log"

start_xvfb() {
    if [ -n "${HITCHED_DISPLAY:-}" ]; then
        echo "$HITCHED_DISPLAY" >"$HITCHED_WINE_DIR/display"
        return
    fi
    if [ -s "$HITCHED_WINE_DIR/xvfb.pid" ] && kill -0 "$(cat "$HITCHED_WINE_DIR/xvfb.pid")" 2>/dev/null; then
        return
    fi
    local fdfile="$HITCHED_WINE_DIR/display.fd"
    rm -f "$fdfile"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 </dev/null &
    echo $! >"$HITCHED_WINE_DIR/xvfb.pid"
    for _ in $(seq 1 100); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; exit 1; }
    echo ":$(head -n1 "$fdfile")" >"$HITCHED_WINE_DIR/display"
}

start_xvfb
# shellcheck source=env.sh
source "$here/env.sh"

if [ ! -f "$WINEPREFIX/.hitched-ready" ]; then
    echo "creating Wine prefix (once per build folder)..."
    wineboot -i >>"$log" 2>&1 </dev/null
    wineserver -w
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$log" 2>&1 </dev/null
    wineserver -w
    touch "$WINEPREFIX/.hitched-ready"
fi
# An already running persistent server (an interrupted run, say) is fine: keep it.
wineserver -p >>"$log" 2>&1 </dev/null || true
wine cmd /c exit >>"$log" 2>&1 </dev/null
echo "wineserver up, DISPLAY=$DISPLAY"
