#!/usr/bin/env bash
# Ends the persistent wineserver, every Wine process of the prefix and the private Xvfb, and
# returns only when they have gone: `wineserver -k` only asks, and on a fresh prefix Wine's
# services take seconds to go. Whatever is still there after HITCHED_STOP_TIMEOUT seconds
# (default 15) is killed, and the script says so.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
: "${HITCHED_WINE_DIR:?}"
source "$here/env.sh"
limit="${HITCHED_STOP_TIMEOUT:-15}"

# Wine processes (the loader or the server) started with this prefix.
prefix_processes() {
    local environ pid exe
    for environ in /proc/[0-9]*/environ; do
        pid="${environ#/proc/}"
        pid="${pid%/environ}"
        exe="$(readlink "/proc/$pid/exe" 2>/dev/null)" || continue
        case "$exe" in *wine*) ;; *) continue ;; esac
        tr '\0' '\n' <"$environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
}

# Waits until none of the given pids is alive; 1 when the time ran out.
wait_gone() { # $1 = seconds, rest = pids
    local deadline=$((SECONDS + $1)) pid alive
    shift
    while :; do
        alive=()
        for pid in "$@"; do kill -0 "$pid" 2>/dev/null && alive+=("$pid"); done
        [ ${#alive[@]} -eq 0 ] && return 0
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

wineserver -k >/dev/null 2>&1 </dev/null
timeout "$limit" wineserver -w >/dev/null 2>&1 </dev/null
mapfile -t left < <(prefix_processes)
if [ ${#left[@]} -gt 0 ] && ! wait_gone "$limit" "${left[@]}"; then
    echo "Wine processes still running after ${limit} s, killed: ${left[*]}" >&2
    kill -9 "${left[@]}" 2>/dev/null
    wait_gone 5 "${left[@]}"
fi

if [ -s "$HITCHED_WINE_DIR/xvfb.pid" ]; then
    xvfb="$(cat "$HITCHED_WINE_DIR/xvfb.pid")"
    kill "$xvfb" 2>/dev/null
    wait_gone "$limit" "$xvfb" || kill -9 "$xvfb" 2>/dev/null
    rm -f "$HITCHED_WINE_DIR/xvfb.pid" "$HITCHED_WINE_DIR/display"
fi
exit 0
