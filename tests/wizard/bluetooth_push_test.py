#!/usr/bin/env python3
# A Bluetooth phone reaches the port service's clients: the real wizard frame (in
# bluetooth_push_probe.exe) with the real KVBluetoothComm.dll and KvInquireInfo.dll over the
# simulated radio, a phonesim phone on COM7 bound to a paired device, and portclient watching.
# The pairing step's mark is made by the probe; the pass, the connection check and the push
# are the program's own.
#   usage: bluetooth_push_test.py PROBE_EXE PHONESIM PORTCLIENT_EXE
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from wine_e2e import Lines, Watcher, Wine, check, log, started  # noqa: E402

RADIO = """[Machine]
Controllers=0
[Bluetooth]
Radio=1
Stack=1
Devices=2
[BtDevice1]
Address=001A2B3C4D5E
Name=Headset
Paired=0
[BtDevice2]
Address=0019B7A1C2D3
Name=Ostra B1
Paired=1
SerialPort=COM7
Connection=%s
"""


def main():
    probe_exe, phonesim, portclient = sys.argv[1:4]
    wine = Wine()
    work = tempfile.mkdtemp(prefix="hitched-bt-")
    scenario = os.path.join(work, "radio.ini")
    com7 = os.path.join(wine.prefix, "dosdevices", "com7")

    def radio(connection):
        with open(scenario, "w") as f:
            f.write(RADIO.replace("\n", "\r\n") % connection)
        log("scenario: the paired phone answers " + connection)

    try:
        sim = subprocess.Popen([phonesim, "--no-stdin", "--link", com7], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, text=True)
        started.append(sim)
        log("phonesim on " + sim.stdout.readline().strip() + " -> COM7")
        radio("connected")
        probe = wine.popen([probe_exe], extra_env={"HITCHED_SIMULATION": scenario},
                           stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True, bufsize=1)
        replies = Lines(probe, "ready", lambda line: log("probe: " + line))
        check(replies.ok, "frame up with the Bluetooth library loaded")
        watcher = Watcher(wine, portclient)

        def run_pass(phones):
            passes = replies.count("pass ")
            before = watcher.count()
            start = time.monotonic()
            probe.stdin.write("pass\n")
            check(replies.wait_count("pass ", passes + 1, 30), "pass ran")
            push = watcher.wait_push(before, 10)
            check(push is not None and push["count"] == phones, "push of %d phones" % phones)
            return push, push["time"] - start

        push, took = run_pass(1)
        log("mark and pass to push: %.0f ms" % (took * 1000))
        phone = push["phones"][0] if push["phones"] else {}
        for field, value in (("type", 2), ("BT address", "0019b7a1c2d3"), ("BT stack", "Widcomm"),
                             ("serial port", "COM7"), ("name", "Ostra OS-100"),
                             ("manufacturer", "Ostra"), ("IMEI", "351234567890123")):
            check(phone.get(field) == value, "pushed %s: %s" % (field, value))
        code, out = wine.run([portclient, "request", "COM7"])
        log("request COM7: " + out.strip().replace("\n", " | "))
        check(code == 0 and "SUCCEED" in out, "request COM7 -> SUCCEED")
        wine.run([portclient, "release", "COM7"])

        # The phone leaves at the first DISCONNECTED answer of the connection check.
        radio("disconnected")
        run_pass(0)
    finally:
        for p in reversed(started):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=15)
                except subprocess.TimeoutExpired:
                    p.kill()
        if os.path.islink(com7):
            os.remove(com7)
    print("bluetooth push: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
