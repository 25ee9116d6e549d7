#!/usr/bin/env bash
# Runs Hitched under Wine. Installs what is missing and builds the x86_64 program first.
#
#   scripts/run.sh                 a demo on the simulated machine: hitched.exe with a simulated
#                                  USB phone (phonesim on COM5), and in this terminal what a
#                                  client of the port service sees (portclient watch). The phone
#                                  is plugged in after a few seconds; then the keys p (plug),
#                                  u (unplug) and q (quit) drive it.
#   scripts/run.sh --real [-- ARGS]  hitched.exe as on a real machine (no simulation); ARGS go
#                                  to hitched.exe.
#
# The program runs on your DISPLAY when one is set, otherwise on a private Xvfb display (the
# script says how to take a screenshot). Ctrl+C ends everything the script started.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

mode=demo
program_args=()
while [ $# -gt 0 ]; do
    case "$1" in
    --real) mode=real ;;
    --demo) mode=demo ;;
    --) shift; program_args=("$@"); break ;;
    -h | --help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1 (see --help)" >&2; exit 2 ;;
    esac
    shift
done

port_taken() { (exec 3<>/dev/tcp/127.0.0.1/9520) 2>/dev/null; }
if port_taken; then
    echo "TCP port 9520 is already taken (another Hitched, or a test run?)." >&2
    echo "Hitched cannot serve its clients without it: end that program first." >&2
    exit 1
fi

build="$root/build/win64"
if [ -z "${HITCHED_RUN_NO_BUILD:-}" ]; then
    "$root/scripts/deps.sh"
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 -j "$(nproc)" --target hitched_dist portclient devicechange \
        phonesim_host >/dev/null
fi

# A prefix of its own, so a running Hitched never meets the tests' wineserver.
export HITCHED_WINE_DIR="$root/build/run-wine"
if [ -n "${DISPLAY:-}" ]; then export HITCHED_DISPLAY="$DISPLAY"; fi
"$root/scripts/wine/start.sh"
source "$root/scripts/wine/env.sh"
demo="$HITCHED_WINE_DIR/demo"
mkdir -p "$demo"
com5="$WINEPREFIX/dosdevices/com5"
children=()
sleeper=""

# Returns only when everything the script started has ended: its children, every Wine
# process of the prefix and the private display.
finish() {
    trap - EXIT INT TERM
    echo
    echo "[run] stopping"
    for pid in "${children[@]}" $sleeper; do kill "$pid" 2>/dev/null || true; done
    "$root/scripts/wine/stop.sh" # waits for the prefix's processes and our Xvfb to go
    wait 2>/dev/null || true
    [ -L "$com5" ] && rm -f "$com5"
    exit 0
}
trap finish EXIT INT TERM

if [ -z "${HITCHED_DISPLAY:-}" ]; then
    echo "[run] Hitched runs on the private display $DISPLAY. A screenshot:"
    echo "[run]   DISPLAY=$DISPLAY import -window root hitched.png"
fi

if [ "$mode" = real ]; then
    echo "[run] port service on TCP 9520; Ctrl+C stops it"
    wine "$build/dist/hitched.exe" "${program_args[@]}" >"$demo/hitched.log" 2>&1 &
    children+=($!)
    wait "${children[0]}" || true
    finish
fi

scenario="$demo/machine.ini"
write_scenario() { # $1 = plugged | empty
    if [ "$1" = plugged ]; then
        printf '%s\r\n' '[Machine]' 'Controllers=1' 'Ports=1' '[Controller1]' \
            'DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0000' \
            'Description=Simulated USB Host Controller' 'RootHub=Hub1' '[Hub1]' 'Ports=4' \
            'Port2=Device1' '[Device1]' 'VendorID=0421' 'ProductID=0630' \
            'DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0007' '[Port1]' 'Class=Ports' \
            'PortName=COM5' 'FriendlyName=Ostra USB Serial Port (COM5)' \
            'Description=Ostra USB Serial Port' 'Parent=Device1' >"$scenario.new"
    else
        printf '%s\r\n' '[Machine]' 'Controllers=0' >"$scenario.new"
    fi
    mv "$scenario.new" "$scenario"
}
announce() { # $1 = what happened
    "$root/scripts/wine/run.sh" "$build/bin/devicechange.exe" >/dev/null 2>&1 || true
    echo "[run] $1"
}

write_scenario empty
"$build/host/phonesim" --model OS-100 --link "$com5" </dev/null >"$demo/phonesim.log" 2>&1 &
children+=($!)
HITCHED_SIMULATION="$scenario" wine "$build/dist/hitched.exe" "${program_args[@]}" \
    </dev/null >"$demo/hitched.log" 2>&1 &
children+=($!)
echo "[run] hitched.exe started on the simulated machine (scenario: $scenario)"
for _ in $(seq 1 150); do
    port_taken && break
    kill -0 "${children[1]}" 2>/dev/null || { echo "[run] hitched.exe ended at start" >&2; exit 1; }
    sleep 0.2
done
"$root/scripts/wine/run.sh" "$build/bin/portclient.exe" watch 2>&1 </dev/null \
    | sed -u 's/\r$//; s/^/  client | /' &
children+=($!)
sleep 4
write_scenario plugged
announce "phone plugged in: Ostra OS-100 on COM5; the client shows the push"

if [ -t 0 ]; then
    echo "[run] keys: p plug the phone in, u unplug it, q quit (or Ctrl+C)"
    while true; do
        key=""
        read -rsn1 -t 1 key || true
        case "$key" in
        p) write_scenario plugged; announce "phone plugged in" ;;
        u) write_scenario empty; announce "phone unplugged" ;;
        q) finish ;;
        esac
    done
else
    echo "[run] no terminal on stdin: running until Ctrl+C (SIGINT) or SIGTERM"
    # A waited background sleep, so a signal runs the trap at once, not after the sleep.
    while true; do
        sleep 1 &
        sleeper=$!
        wait "$sleeper"
    done
fi
