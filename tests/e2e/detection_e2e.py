#!/usr/bin/env python3
# Device detection end to end: the real hitched.exe under Wine on a simulated machine, a
# phonesim phone on COM5 (and a printer's firmware on COM6), and port-service clients
# (portclient.exe) on 127.0.0.1:9520. Which phones a pass rejects and why, and when a device
# that is no phone is asked again, is pinned by the detection's own tests; here the wiring: the
# real maker library, phone lock, support list, port service, retry timer and left-alone devices,
# and the wizard answering while the port service pushes to 40 idle clients.
#   usage: detection_e2e.py PHONESIM PORTCLIENT_EXE HELPER_EXE DRIVER_EXE
# Environment: HITCHED_WINE_DIR (the build's Wine folder), HITCHED_DIST_DIR (install layout).
# Prints a transcript and the figures; exits nonzero on the first failed check.
import os
import re
import socket
import subprocess
import sys
import threading
import time

from wine_e2e import EMPTY_SCENARIO, HERE, PASS_LINE, PHONE_SCENARIO, Session, Wine, check, log

# Before identification the record has no name and no IMEI yet: that is the lock's name.
UNNAMED_PHONE_LOCK = "Quellon-Ostra Hubware() - "
# The longest a pass may take on a silent phone: three identifications of at most 4 s each.
PASS_BUDGET_S = 12.0
LEFT_ALONE = "is not a supported phone: left alone until it is plugged again."
# How long a device that is no phone stays plugged while passes run every 20 s.
PRINTER_STAY_S = 100.0
# The phone on COM5 beside a 3D printer behind a CH340 bridge on COM6; the printer alone.
PHONE_AND_PRINTER = open(os.path.join(HERE, "phone_and_printer.ini")).read()
PRINTER_ALONE = open(os.path.join(HERE, "printer_on_com6.ini")).read()


# Every open of a phonesim's port, every read and every line it was sent, as it recorded them:
# "open", "rx", N, "line", TEXT.
def traffic(record):
    return open(record).read().split() if os.path.exists(record) else []


def lines_sent(record):
    return traffic(record).count("line")


def main():
    phonesim, portclient, helper = sys.argv[1:4]
    wine = Wine()
    session = Session(wine, "hitched-detect-")
    figures = session.figures

    # Broadcasts WM_DEVICECHANGE with the tool beside portclient; the time it returned (the
    # broadcast is sent, not posted, so it has been delivered by then).
    devicechange = os.path.join(os.path.dirname(portclient), "devicechange.exe")

    def device_change():
        log("devicechange: " + wine.run([devicechange])[1].strip())
        return time.monotonic()

    def switch_usb_cable(value):
        with open(os.path.join(session.dist, "hitched.dat"), "w") as f:
            f.write("[Enable_connect]\r\nUSB Cable=%s\r\n" % value)
        log("hitched.dat: USB Cable=%s" % value)

    # Wakes the monitor; the pass must end within its budget, logging marker, and push nothing.
    # Its time, including the helper's start of about 0.3 s.
    def quiet_pass(what, marker):
        pushes, passes, marks = watcher.count(), debug.count(PASS_LINE), debug.count(marker)
        start = time.monotonic()
        device_change()
        done = debug.wait_count(PASS_LINE, passes + 1, PASS_BUDGET_S + 8)
        took = time.monotonic() - start
        check(done, what + ": the pass ended (%.2f s)" % took)
        check(debug.count(marker) > marks, what + ": logged '%s'" % marker)
        time.sleep(1.0)
        check(watcher.count() == pushes, what + ": no push")
        figures[what + " pass (incl. ~0.3 s helper start), s"] = took
        return took

    # Changes the machine and wakes the monitor (or has `act` do both): the push that follows,
    # which must hold `count` phones, and its delay.
    def push_after(what, count, scenario=None, act=device_change):
        before = watcher.count()
        if scenario is not None:
            session.write_scenario(scenario, what)
        sent = act()
        push = watcher.wait_push(before, 20)
        check(push is not None and push["count"] == count, "%s: push of %d phones" % (what, count))
        return push, push["time"] - sent

    record = os.path.join(session.work, "com5-traffic.txt")

    try:
        sim, debug, watcher = session.start(phonesim, helper, portclient, record)

        # A development board (an Arduino's vendor ID) on COM5 is listed as never a phone: no
        # pass may open its port (that would reset it) or write to it, however often it runs.
        board = PHONE_SCENARIO.replace("VendorID=0421", "VendorID=2341").replace(
            "ProductID=0630", "ProductID=0043")
        session.write_scenario(board, "Arduino Uno on COM5")
        quiet_pass("development board", "is listed in [NeverOpen]")
        check(traffic(record) == [], "development board: COM5 never opened, not a byte sent")

        # A phone that another program holds, or that stays silent, is not pushed.
        session.write_scenario(PHONE_SCENARIO, "Ostra phone on COM5")
        holder = wine.popen([helper, "hold", UNNAMED_PHONE_LOCK], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        check(holder.stdout.readline().strip() == "holding", "another program holds the phone")
        quiet_pass("phone mutex held", "is ocuupied.")
        holder.stdin.close()
        holder.wait(timeout=10)
        sim.stdin.write("mode silent\n")
        took = quiet_pass("silent phone", "did not answer: asked again in 1 min")
        check(took < PASS_BUDGET_S + 3, "silent phone: pass in budget")
        sim.stdin.write("mode normal\n")
        # A silent device is not asked on every pass, but a client's detection request asks it
        # again at once: the phone speaks, is free and supported, and is pushed with its record.
        spoken = lines_sent(record)
        quiet_pass("silent phone, woken again", "IsDeviceChanged : bIsChanged = 0")
        check(lines_sent(record) == spoken, "silent phone: not asked again within its pause")
        push, _ = push_after("supported phone, at a client's detection request", 1, act=lambda: (
            time.monotonic(), wine.run([portclient, "enable", "USB"]))[0])
        phone = push["phones"][0] if push["phones"] else {}
        for field, value in (("type", 1), ("serial port", "COM5"), ("name", "Ostra OS-100"),
                             ("manufacturer", "Ostra"), ("IMEI", "351234567890123"),
                             ("DLL", "ostra_os100.dll")):  # name and library from Mirrolet.ini
            check(phone.get(field) == value, "pushed %s: %s" % (field, value))
        seen = traffic(record)
        check("open" in seen and "rx" in seen,
              "the same port behind a phone's IDs: opened and spoken to (%d opens)"
              % seen.count("open"))
        code, out = wine.run([portclient, "request", "COM5"])
        log("request COM5: " + out.strip().replace("\n", " | "))
        check(code == 0 and "SUCCEED" in out, "request COM5 -> SUCCEED")
        quiet_pass("same phone again", "IsDeviceChanged : bIsChanged = 0")

        # Unplugged: an empty push at once, a second one 5 s later.
        before = watcher.count()
        first, latency = push_after("unplug", 0, EMPTY_SCENARIO)
        figures["unplug to empty push, ms"] = latency * 1000
        second = watcher.wait_push(before + 1, 12)
        check(second is not None and second["count"] == 0, "unplug: second empty push")
        gap = second["time"] - first["time"]
        check(3.0 < gap < 9.0, "unplug: second empty push %.2f s after the first" % gap)

        # Plugged again within the 5 s: the phone's push replaces the repeat of the empty one.
        _, latency = push_after("plugged for a brief unplug", 1, PHONE_SCENARIO)
        figures["WM_DEVICECHANGE delivered to push (responsive phone), ms"] = latency * 1000
        before = watcher.count()
        push_after("brief unplug", 0, EMPTY_SCENARIO)
        # A wake-up that arrives while a pass still runs (the push spends 500 ms per client) is
        # absorbed by that pass, so let the unplug pass end before the phone comes back.
        time.sleep(1.0)
        push_after("plugged again within 5 s", 1, PHONE_SCENARIO)
        time.sleep(7.0)
        check(watcher.count() == before + 2, "plugged again within 5 s: no second empty push")

        # USB Cable switched off: the phone leaves at the next pass; switched on by a client,
        # it is back at once.
        switch_usb_cable("0")
        idle_clients_during_an_unplug(session, helper, debug, watcher, push_after)
        switch_usb_cable("1")
        _, latency = push_after("EnableConnectType USB", 1, act=lambda: (
            time.monotonic(), wine.run([portclient, "enable", "USB"]))[0])
        figures["EnableConnectType to push, ms"] = latency * 1000

        # Plugged in again answering as real phones dress it: the model after a band list
        # ("MODEL=OS-100"), the IMEI with the modem's own serial after a comma.
        sim.stdin.write("quirks bands,prefixed,tail\n")
        push_after("unplugged to change its answers", 0, EMPTY_SCENARIO)
        time.sleep(1.0)
        push, _ = push_after("answers with bands and a serial", 1, PHONE_SCENARIO)
        phone = push["phones"][0] if push["phones"] else {}
        for field, value in (("name", "Ostra OS-100"), ("IMEI", "351234567890123")):
            check(phone.get(field) == value, "bands and serial: pushed %s %s" % (field, value))

        printer_beside_the_phone(session, phonesim, record, debug, watcher, push_after, quiet_pass)
    finally:
        session.finish()
    print("detection e2e: all checks passed")
    return 0


# 40 connections that never send or read a byte, as a host on the network may open, connect
# while the phone leaves: its empty push reaches the first few of them, the repeat five seconds
# later all 40 (a walk of 20 s, 500 ms a client). All the while the wizard is sent a message
# every 50 ms (a timer it does not have) and must answer: no push goes out on its thread.
def idle_clients_during_an_unplug(session, helper, debug, watcher, push_after):
    begun, idle, waits = debug.count("ProcessConnectedPhoneThread begin"), [], []
    threading.Thread(target=lambda: idle.extend(  # as fast as five accepts a second let them in
        socket.create_connection(("127.0.0.1", 9520), timeout=20) for _ in range(40)),
        daemon=True).start()
    driver = session.wine.popen([helper], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True, bufsize=1)
    check(driver.stdout.readline().startswith("ready"), "idle clients: the wizard driver is ready")

    def probe():
        while driver.stdin is not None and not driver.stdin.closed:
            start = time.monotonic()
            driver.stdin.write("timer 999\n")
            waits.append((driver.stdout.readline(), time.monotonic() - start)[1])
            time.sleep(0.05)

    prober = threading.Thread(target=probe, daemon=True)
    prober.start()
    debug.wait_count("ProcessConnectedPhoneThread begin", begun + 4, 10)
    before = watcher.count()
    push_after("USB Cable off, 40 idle clients connecting", 0)
    check(debug.wait_count("ProcessConnectedPhoneThread begin", begun + 40, 20),
          "idle clients: all 40 served")
    repeat = watcher.wait_push(before + 1, 30)
    check(repeat is not None and repeat["count"] == 0, "idle clients: the repeat of the empty push")
    walked = re.findall(r"Connected client count: (\d+)", "\n".join(debug.lines))[-1:]
    check(walked and int(walked[0]) > 40, "idle clients: the repeat walks %s clients" % walked)
    time.sleep(3.0)  # six idle clients' turns into the repeat's walk
    driver.stdin.close()
    prober.join(timeout=40)
    driver.wait(timeout=10)
    worst = max(waits) * 1000 if waits else -1
    session.figures["wizard's slowest answer while pushing to 40 idle clients, ms"] = worst
    # A walk on the wizard's thread would keep it from answering for 500 ms a client.
    check(len(waits) > 50 and worst < 2000, "idle clients: the wizard answered %d times, within "
          "%.0f ms each" % (len(waits), worst))
    for connection in idle:
        connection.close()


# A 3D printer's firmware behind a CH340 bridge on COM6, on no never-open list, answering "ok"
# to every line: asked when it arrives, then left alone for as long as it stays, while passes
# run every 20 s and an Ostra phone is plugged beside it; asked again once plugged again.
# phone: the record of the phone's traffic.
def printer_beside_the_phone(session, phonesim, phone, debug, watcher, push_after, quiet_pass):
    printer = os.path.join(session.work, "com6-traffic.txt")
    session.start_phone(phonesim, printer, com="com6", args=["--mode", "printer"])
    push_after("phone unplugged for the printer", 0, EMPTY_SCENARIO)
    watcher.wait_push(watcher.count(), 12)  # the repeat of the empty push
    session.write_scenario(PRINTER_ALONE, "printer on COM6")
    passes, phone_before, arrived = debug.count(PASS_LINE), lines_sent(phone), time.monotonic()
    quiet_pass("printer arrives", LEFT_ALONE)
    at_arrival = lines_sent(printer)
    time.sleep(PRINTER_STAY_S / 2)
    push_after("Ostra phone plugged beside the printer: pushed", 1, PHONE_AND_PRINTER)
    time.sleep(max(0.0, arrived + PRINTER_STAY_S - time.monotonic()))
    stayed, passes = lines_sent(printer), debug.count(PASS_LINE) - passes
    session.write_scenario(PHONE_SCENARIO, "printer unplugged")
    quiet_pass("printer unplugged", "IsDeviceChanged : bIsChanged = 0")
    session.write_scenario(PHONE_AND_PRINTER, "printer plugged again")
    quiet_pass("printer plugged again", LEFT_ALONE)
    again = lines_sent(printer)
    session.figures.update({
        "printer: lines sent at arrival": at_arrival,
        "printer: lines sent by %.0f s plugged (%d passes)" % (PRINTER_STAY_S, passes): stayed,
        "phone plugged beside it: lines sent": lines_sent(phone) - phone_before})
    check(passes >= PRINTER_STAY_S // 20 and 0 < at_arrival == stayed,
          "printer: lines sent only at arrival, in %d passes" % passes)
    check(again > stayed, "printer plugged again: asked again (%d lines sent by then)" % again)
    check(debug.count("COM6 (USB 1A86:7523) " + LEFT_ALONE) == 2, "the log said why, once a time")


if __name__ == "__main__":
    sys.exit(main())
