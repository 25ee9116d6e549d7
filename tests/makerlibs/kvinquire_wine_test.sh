#!/usr/bin/env bash
# KvInquireInfo.dll under Wine against phonesim: a phone simulator owns a pty, a
# $WINEPREFIX/dosdevices/comN link maps a COM port to it, and kvinquire_probe.exe runs the
# DLL's HitchedPhoneInfo on a record naming that port.
#   kvinquire_wine_test.sh <case> <kvinquire_probe.exe> <phonesim>
# Figures (identification time, cost of a failing phone) are printed as "[ figure ]" lines.
set -uo pipefail
case_name=$1
probe=$2
phonesim=$3
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
: "${HITCHED_WINE_DIR:?}"
source "$root/scripts/wine/env.sh"

# Each case has its own COM numbers, so cases may run side by side in one prefix.
declare -A base=([identify]=40 [quirks]=42 [slow]=44 [modem]=46 [silent]=48 [silent2]=50
                 [garbage]=52 [flood]=54 [error]=56 [gone]=58 [special]=60 [unplug]=62
                 [reopen]=64)
[ -n "${base[$case_name]:-}" ] || { echo "unknown case $case_name"; exit 2; }
com1=${base[$case_name]}
com2=$((com1 + 1))
work="$(mktemp -d)"
pids=()

cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -f "$WINEPREFIX/dosdevices/com$com1" "$WINEPREFIX/dosdevices/com$com2"
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }

# start_phone <com> <phonesim options...>: a simulator behind COM<com>.
start_phone() {
    local com=$1; shift
    "$phonesim" --no-stdin --link "$WINEPREFIX/dosdevices/com$com" "$@" \
        >"$work/phone$com.out" 2>"$work/phone$com.err" </dev/null &
    pids+=($!)
    for _ in $(seq 1 100); do
        [ -L "$WINEPREFIX/dosdevices/com$com" ] && return 0
        sleep 0.05
    done
    fail "phonesim for COM$com did not start"
}

# probe <args...>: runs kvinquire_probe.exe and leaves its answer line in $answer.
probe() {
    answer="$(timeout 60 "$root/scripts/wine/run.sh" "$probe" identify "$@" 2>/dev/null | tr -d '\r')"
    echo "probe $*: $answer"
}

field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$answer"; }

expect_identified() { # manufacturer model imei
    [ "$(field rc)" = 0 ] || fail "not identified: $answer"
    grep -q "manufacturer=$1 model=$2 imei=$3 untouched=1" <<<"$answer" || fail "wrong identity: $answer"
}

expect_failed() {
    [ -n "$(field rc)" ] || fail "no answer from the probe"
    [ "$(field rc)" != 0 ] || fail "identified, should have failed: $answer"
    [ "$(field untouched)" = 1 ] || fail "record changed outside the identity: $answer"
}

figure() { echo "[ figure ] $1: $(field ms) ms"; }

case $case_name in
identify)
    start_phone "$com1" --manufacturer Ostra --model OS-100 --imei 351234567890123 \
        --quirks prefixed,quoted
    probe 1 "$com1" "$com2"
    expect_identified Ostra OS-100 351234567890123
    figure "identification, echo on, +CGMx: \"...\" answers"
    ;;
quirks)
    start_phone "$com1" --manufacturer Ostra --model OS-200 --imei 490154203237518 \
        --echo off --quirks labelled,multiline,lf
    probe 1 "$com1" 0
    expect_identified Ostra OS-200 490154203237518
    figure "identification, echo off, labelled multi-line LF answers"
    ;;
slow)
    start_phone "$com1" --delay 300
    probe 1 "$com1" 0
    expect_identified Ostra OS-100 351234567890123
    figure "identification of a phone answering after 300 ms"
    ;;
modem)
    start_phone "$com1" --mode silent
    start_phone "$com2" --model OS-300
    probe 1 "$com1" "$com2"
    expect_identified Ostra OS-300 351234567890123
    figure "silent serial port, identified on the modem port"
    ;;
silent)
    start_phone "$com1" --mode silent
    probe 1 "$com1" 0
    expect_failed
    figure "silent phone, serial port only"
    ;;
silent2)
    start_phone "$com1" --mode silent
    start_phone "$com2" --mode silent
    probe 1 "$com1" "$com2"
    expect_failed
    figure "silent phone, serial and modem port"
    ;;
garbage)
    start_phone "$com1" --mode garbage --seed 3
    probe 1 "$com1" 0
    expect_failed
    figure "phone answering random bytes"
    ;;
flood)
    start_phone "$com1" --mode flood
    probe 1 "$com1" 0
    expect_failed
    figure "port streaming random bytes"
    ;;
error)
    start_phone "$com1" --mode error --cme 100
    probe 1 "$com1" 0
    expect_failed
    figure "phone answering +CME ERROR"
    ;;
gone)
    start_phone "$com1"
    kill "${pids[0]}"; wait "${pids[0]}" 2>/dev/null
    ln -sfn /dev/pts/does-not-exist "$WINEPREFIX/dosdevices/com$com1"
    probe 1 "$com1" 0
    expect_failed
    figure "port whose device is gone"
    ;;
special)
    start_phone "$com1" --model DAV-1
    probe 4 0 0 "COM$com1"
    expect_identified Ostra DAV-1 351234567890123
    ;;
unplug)
    # The phone goes away in the middle of the dialogue: the call must end, not hang.
    # Slow enough to be killed with a command in flight, quick enough for the first probe (400 ms).
    start_phone "$com1" --delay 300 --verbose
    phone_log="$work/phone$com1.err"
    ( for _ in $(seq 1 2400); do grep -q "rx AT+CGMI" "$phone_log" && break; sleep 0.025; done
      kill -KILL "${pids[0]}" ) &
    probe 1 "$com1" 0
    expect_failed
    grep -q "rx AT+CGMI" "$phone_log" || fail "the phone went away before the dialogue began"
    figure "phone unplugged during the dialogue"
    ;;
reopen)
    start_phone "$com1" --echo off
    for i in 1 2 3; do
        probe 1 "$com1" 0
        expect_identified Ostra OS-100 351234567890123
    done
    ;;
esac
echo "PASS $case_name"
