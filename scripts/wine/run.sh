#!/usr/bin/env bash
# CTest's emulator for Windows binaries: runs one program in the build folder's Wine prefix.
# Wine starts helper processes on demand (the desktop process on the first window, a console
# host, services) and they inherit the standard handles of whoever started them. Handed CTest's
# pipes, a helper that outlives the test keeps them open and CTest waits until its time-out, so
# the program writes to files of its own that are streamed to our output until it exits.
here="$(cd "$(dirname "$0")" && pwd)"
: "${HITCHED_WINE_DIR:?}"
source "$here/env.sh"

spool="$(mktemp -d "${TMPDIR:-/tmp}/hitched-run.XXXXXX")"
: >"$spool/out"
: >"$spool/err"
wine "$@" <&0 >"$spool/out" 2>"$spool/err" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid"' INT TERM
tail -q -s 0.1 -n +1 --pid="$pid" -f "$spool/out" &
tail_out=$!
tail -q -s 0.1 -n +1 --pid="$pid" -f "$spool/err" >&2 &
tail_err=$!
wait "$pid"
status=$?
wait "$tail_out" "$tail_err"
rm -rf "$spool"
exit "$status"
