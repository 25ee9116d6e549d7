#!/usr/bin/env python3
"""Device detection end to end: the real hitched.exe under Wine on a simulated machine, a
phonesim phone on COM5, and port-service clients (portclient.exe) on 127.0.0.1:9520.

usage: detection_e2e.py PHONESIM PORTCLIENT_EXE HELPER_EXE
Environment: HITCHED_WINE_DIR (the build's Wine folder), HITCHED_DIST_DIR (install layout).
Prints a transcript and the figures; exits nonzero on the first failed check. Every process
it starts is ended on the way out, also on failure.
"""
import os
import subprocess
import sys
import time

from wine_e2e import (EMPTY_SCENARIO, PASS_BUDGET_S, PHONE_SCENARIO, UNNAMED_PHONE_LOCK, Session,
                      Watcher, Wine, check, log)


def main():
    phonesim, portclient, helper = sys.argv[1:4]
    wine = Wine()
    session = Session(wine, "hitched-detect-")
    dist, figures, write_scenario = session.dist, session.figures, session.write_scenario
    debug = None

    def device_change():
        """Broadcasts WM_DEVICECHANGE; the time the helper returned (the broadcast is sent, not
        posted, so it has been delivered by then)."""
        code, out = wine.run([helper, "devicechange"])
        log("helper: " + out.strip())
        return time.monotonic()

    def write_switch(value):
        with open(os.path.join(dist, "hitched.dat"), "w") as f:
            f.write("[Enable_connect]\r\nUSB Cable=%s\r\n" % value)
        log("hitched.dat: USB Cable=%s" % value)

    def phonesim_cmd(text):
        sim.stdin.write(text + "\n")
        sim.stdin.flush()
        log("phonesim: " + text)

    def passes():
        return debug.count("IsDeviceChanged : bIsChanged")

    def expect_quiet_pass(what, marker):
        """Wake the monitor; the pass must end within its budget, logging marker, and push
        nothing."""
        before_pushes, before_passes, before_marker = watcher.count(), passes(), debug.count(marker)
        start = time.monotonic()
        device_change()
        done = debug.wait_count("IsDeviceChanged : bIsChanged", before_passes + 1,
                                PASS_BUDGET_S + 8)
        took = time.monotonic() - start
        check(done, what + ": the pass ended (%.2f s)" % took)
        check(debug.count(marker) > before_marker, what + ": logged '%s'" % marker)
        time.sleep(1.0)
        check(watcher.count() == before_pushes, what + ": no push")
        figures[what + " pass (incl. ~0.3 s helper start), s"] = took

    def unplug(what):
        before = watcher.count()
        write_scenario(EMPTY_SCENARIO, "no phone")
        t = device_change()
        first = watcher.wait_push(before, 15)
        check(first is not None and first["count"] == 0, what + ": empty push")
        second = watcher.wait_push(before + 1, 12)
        check(second is not None and second["count"] == 0, what + ": second empty push")
        gap = second["time"] - first["time"]
        check(3.0 < gap < 9.0, what + ": second empty push %.2f s after the first" % gap)
        return first["time"] - t

    def plug(what):
        before = watcher.count()
        write_scenario(PHONE_SCENARIO, "Ostra phone on COM5")
        sent = device_change()
        push = watcher.wait_push(before, 20)
        check(push is not None and push["count"] == 1, what + ": push with one phone")
        return push, push["time"] - sent

    try:
        sim = session.start_phone(phonesim)
        write_scenario(EMPTY_SCENARIO, "no phone")
        debug = session.start_debug_log(helper)
        session.start_hitched()
        watcher = Watcher(wine, portclient)
        log("portclient watch connected")
        check(debug.wait_count("IsDeviceChanged : bIsChanged", 1, 30), "first pass at start")

        # A supported phone comes.
        push, latency = plug("plug")
        figures["WM_DEVICECHANGE delivered to push (responsive phone), ms"] = latency * 1000
        phone = push["phones"][0] if push["phones"] else {}
        check(phone.get("type") == 1, "type 1 (USB cable)")
        check(phone.get("serial port") == "COM5", "serial port COM5")
        check(phone.get("name") == "Ostra OS-100", "display name from Mirrolet.ini")
        check(phone.get("manufacturer") == "Ostra", "manufacturer")
        check(phone.get("IMEI") == "351234567890123", "IMEI")
        check(phone.get("DLL") == "ostra_os100.dll", "support library")

        code, out = wine.run([portclient, "request", "COM5"])
        log("request COM5: " + out.strip().replace("\n", " | "))
        check(code == 0 and "SUCCEED" in out, "request COM5 -> SUCCEED")

        # The same machine again: no push.
        expect_quiet_pass("same phone again", "IsDeviceChanged : bIsChanged = 0")

        # Unplugged: empty push at once, a second 5 s later.
        figures["unplug to empty push, ms"] = unplug("unplug") * 1000

        # Plugged again within the 5 s: the phone's push replaces the repeat of the empty one.
        plug("plugged for a brief unplug")
        before = watcher.count()
        write_scenario(EMPTY_SCENARIO, "no phone")
        device_change()
        first = watcher.wait_push(before, 15)
        check(first is not None and first["count"] == 0, "brief unplug: empty push")
        # A wake-up that arrives while a pass still runs (the push spends 500 ms per client) is
        # absorbed by that pass, so let the unplug pass end before the phone comes back.
        time.sleep(1.0)
        push, _ = plug("plugged again within 5 s")
        time.sleep(7.0)
        check(watcher.count() == before + 2, "plugged again within 5 s: no second empty push")
        unplug("unplug after the replug")

        # Phones that stay out.
        write_scenario(PHONE_SCENARIO, "phone of another maker on COM5")
        phonesim_cmd("manufacturer Nokla")
        expect_quiet_pass("another maker", "not ostra phone.")
        phonesim_cmd("manufacturer Ostra")
        phonesim_cmd("model OS-999")
        expect_quiet_pass("missing from the support list", "BroadcastDeviceChanged no dll support")
        phonesim_cmd("model OS-100")

        holder = wine.popen([helper, "hold", UNNAMED_PHONE_LOCK], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        check(holder.stdout.readline().strip() == "holding", "another program holds the phone")
        expect_quiet_pass("phone mutex held", "is ocuupied.")
        holder.stdin.close()
        holder.wait(timeout=10)
        log("the other program let go")
        push, _ = plug("next pass after the mutex is free")

        unplug("unplug again")
        phonesim_cmd("mode silent")
        write_scenario(PHONE_SCENARIO, "silent phone on COM5")
        expect_quiet_pass("silent phone", "HitchedPhoneInfo failed, end.")
        check(figures["silent phone pass (incl. ~0.3 s helper start), s"] < PASS_BUDGET_S + 3, "silent phone: pass in budget")
        phonesim_cmd("mode normal")
        plug("silent phone speaks again")

        # USB Cable switched off: the phone leaves at the next pass.
        write_switch("0")
        before = watcher.count()
        device_change()
        push = watcher.wait_push(before, 15)
        check(push is not None and push["count"] == 0, "USB Cable off: empty push")
        watcher.wait_push(before + 1, 12)  # the repeat of the empty push
        write_switch("1")
        before = watcher.count()
        t = time.monotonic()
        code, out = wine.run([portclient, "enable", "USB"])
        push = watcher.wait_push(before, 12)
        check(push is not None and push["count"] == 1,
              "EnableConnectType USB: immediate pass pushes the phone (%.2f s)"
              % ((push["time"] - t) if push else -1))
        figures["EnableConnectType to push, ms"] = (push["time"] - t) * 1000
    finally:
        session.finish()
    print("detection e2e: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
