#!/usr/bin/env bash
# Runs one test command in a network namespace of its own, so that the hitched.exe it starts can
# take port 9520 while another test's program holds it. With --wine DIR the command also gets a
# Wine prefix, wineserver and Xvfb of its own (HITCHED_WINE_DIR=DIR, created once and reused),
# started before it and stopped after it: Wine creates sockets in the wineserver, so the server
# must live in the same namespace, and the program's named objects stay apart from the others'.
#   scripts/wine/isolated.sh [--wine DIR] command...
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${HITCHED_ISOLATED:-}" ]; then
    exec unshare --net env HITCHED_ISOLATED=1 "$0" "$@"
fi
ip link set lo up || exit 1

[ "${1:-}" = --wine ] || exec "$@"
export HITCHED_WINE_DIR="$2"
shift 2
unset HITCHED_DISPLAY
child=
stop() { "$here/stop.sh"; }
trap '[ -n "$child" ] && kill "$child" 2>/dev/null; stop; exit 143' TERM INT
"$here/start.sh" >"$HITCHED_WINE_DIR.start.log" 2>&1 || { cat "$HITCHED_WINE_DIR.start.log"; stop; exit 1; }
"$@" &
child=$!
wait "$child"
status=$?
stop
exit "$status"
