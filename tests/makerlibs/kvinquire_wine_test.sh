#!/usr/bin/env bash
# KvInquireInfo.dll under Wine against phonesim, in one run of kvinquire_probe.exe: simulators
# own ptys, $WINEPREFIX/dosdevices/comN links map COM ports to them, and the probe has the DLL
# identify records naming those ports. It covers what only the Win32 serial code can get wrong:
# read time-outs (which Wine reports as errors), a port opened again, a phone gone mid-dialogue,
# a development board's port that must never be opened, and answers dressed as real devices
# dress them, arriving in parts.
#   kvinquire_wine_test.sh <kvinquire_probe.exe> <phonesim>
# Figures (time of each identification) are printed as "[ figure ]" lines.
set -uo pipefail
probe=$1
phonesim=$2
root="$(cd "$(dirname "$0")/../.." && pwd)"
: "${HITCHED_WINE_DIR:?}"
source "$root/scripts/wine/env.sh"
dev="$WINEPREFIX/dosdevices"
work="$(mktemp -d)"
pids=()

cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    for com in 40 41 42 43 44 45 46 47; do rm -f "$dev/com$com"; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }

# phone <com> <phonesim options...>: a simulator behind COM<com>, its traffic in phone<com>.log.
phone() {
    local com=$1; shift
    "$phonesim" --no-stdin --verbose --link "$dev/com$com" "$@" \
        >/dev/null 2>"$work/phone$com.log" </dev/null &
    pids+=($!)
    for _ in $(seq 1 100); do
        [ -L "$dev/com$com" ] && return 0
        sleep 0.05
    done
    fail "phonesim for COM$com did not start"
}

phone 40 --quirks prefixed,quoted
phone 41 --mode silent
phone 42 --delay 500 --echo off --model OS-300
phone 43 --delay 300
# COM44 is an Arduino Uno (2341:0043) as far as the record says; phonesim notes every open.
phone 44 --record "$work/com44-traffic.txt"
# Answers dressed as real devices dress them.
phone 45 --quirks bands,prefixed,imeitag,noise,lowecho,tight,split
phone 46 --quirks quoted,prefixed,tail,bare --manufacturer "Ostra CE, Copyright 2000" \
    --model " MULTIBAND  900E  1800 "
phone 47 --echo off --imei 2623CKLQ0009707
# COM43's phone goes away once its dialogue is under way: slow enough to be killed with a
# command in flight, quick enough to answer the first probe (400 ms).
unplugged=${pids[3]}
(for _ in $(seq 1 2400); do
    grep -q "rx AT+CGMI" "$work/phone43.log" && break
    sleep 0.025
done
kill -KILL "$unplugged") &
pids+=($!)

# The board first, alone, so that anything COM44 saw by then came from its records.
board="$(timeout 60 "$root/scripts/wine/run.sh" "$probe" 1:44:0:2341:0043 2>/dev/null | tr -d '\r')"
[ -s "$work/com44-traffic.txt" ] && fail "COM44 (a listed board) was opened: $(cat "$work/com44-traffic.txt")"

answers="$(timeout 120 "$root/scripts/wine/run.sh" "$probe" 1:40:0 1:41:40 1:42:0 1:40:0 1:43:0 1:44:0 1:45:0 1:46:0 1:47:0 \
    2>/dev/null | tr -d '\r')"
mapfile -t line <<<"$answers
$board"
printf '%s\n' "${line[@]}"

# expect <answer line> <record> <rc> <identity> <what>
expect() {
    [[ "${line[$1]:-}" =~ ^$2\ rc=$3\ ms=([0-9]+)\ us=([0-9]+)\ identity=$4$ ]] ||
        fail "$5: ${line[$1]:-no answer}"
    echo "[ figure ] $5: ${BASH_REMATCH[1]} ms (${BASH_REMATCH[2]} us)"
}
phone=Ostra/OS-100/351234567890123
expect 0 1:40:0 0 "$phone" "identification, echo on, tagged and quoted answers"
expect 1 1:41:40 0 "$phone" "silent serial port, identified on the modem port"
expect 2 1:42:0 0 Ostra/OS-300/351234567890123 "phone answering after the first probe's time-out"
expect 3 1:40:0 0 "$phone" "the same port opened a third time"
expect 4 1:43:0 3 // "phone unplugged during the dialogue: no answer"
grep -q "rx AT+CGMI" "$work/phone43.log" || fail "the phone went away before the dialogue began"
expect 5 1:44:0 0 "$phone" "the board's port in a record without IDs: opened and identified"
grep -q "^rx" "$work/com44-traffic.txt" || fail "COM44: phonesim recorded no traffic"
expect 6 1:45:0 0 "$phone" "bands before the model, IMEI tagged, noise, lower-case echo, answers in parts"
expect 7 1:46:0 0 "Ostra CE, Copyright 2000/MULTIBAND  900E  1800/351234567890123" \
    "a comma in the maker, double blanks in the model, bare OK first, a serial after the IMEI"
expect 8 1:47:0 0 Ostra/OS-100/2623CKLQ0009707 "a serial number that is no IMEI, kept as it is"
expect 9 1:44:0:2341:0043 2 // "a listed development board, answered without opening its port"
echo PASS
