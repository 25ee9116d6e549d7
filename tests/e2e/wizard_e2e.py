#!/usr/bin/env python3
"""The wizard's cable path end to end: the real hitched.exe under Wine on a simulated machine,
driven by wizard_driver.exe the way a user clicks through it, with a phonesim phone plugged in
while the wizard waits on the detect page, and portclient.exe watching the pushes.

usage: wizard_e2e.py PHONESIM PORTCLIENT_EXE HELPER_EXE DRIVER_EXE
Environment: HITCHED_WINE_DIR (the build's Wine folder), HITCHED_DIST_DIR (install layout).
Prints a transcript and the figures; exits nonzero on the first failed check.
"""
import os
import subprocess
import sys
import time

from wine_e2e import EMPTY_SCENARIO, PHONE_SCENARIO, Session, Watcher, Wine, check, log

# Button ids of the frame.
PREVIOUS, NEXT, CANCEL = 1000, 3, 2
RADIO_CABLE, RADIO_INFRARED = 1002, 1003


def language_texts(path):
    texts = {}
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            key, sep, value = line.strip().partition("=")
            if sep:
                texts[key.strip()] = value.strip()
    return texts


def read_settings(path):
    values = {}
    if os.path.exists(path):
        with open(path, encoding="utf-16" if open(path, "rb").read(2) == b"\xff\xfe" else "latin-1") as f:
            for line in f:
                key, sep, value = line.strip().partition("=")
                if sep:
                    values[key] = value
    return values


class Driver:
    """wizard_driver.exe: prefix runs it inside a Wine virtual desktop, where the wizard is."""

    def __init__(self, wine, exe, prefix=()):
        self.proc = wine.popen(list(prefix) + [exe], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        first = self.proc.stdout.readline().strip()
        if first != "ready":
            raise SystemExit("wizard driver: " + first)

    def ask(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().rstrip("\n")

    def state(self):
        """The state line as a dict: page, prev, next, cancel, advice."""
        line = self.ask("state")
        fields = {}
        rest = line[len("state "):]
        for name in ("page", "prev", "next", "cancel", "advice"):
            start = rest.index(name + "=") + len(name) + 1
            following = [rest.index(" " + n + "=") for n in ("prev", "next", "cancel", "advice")
                         if " " + n + "=" in rest and rest.index(" " + n + "=") >= start]
            end = min(following) if following else len(rest)
            fields[name] = rest[start:end]
        log("state: " + line[len("state "):])
        return fields

    def rows(self):
        count = int(self.ask("rows").split()[1])
        return [self.proc.stdout.readline().rstrip("\n")[len("row "):] for _ in range(count)]


def main():
    phonesim, portclient, helper, driver_exe = sys.argv[1:5]
    wine = Wine()
    session = Session(wine, "hitched-wizard-")
    figures, write_scenario = session.figures, session.write_scenario
    settings = os.path.join(session.dist, "hitched.dat")
    text = language_texts(os.path.join(session.dist, "languages", "language.lgg"))

    try:
        session.start_phone(phonesim)
        write_scenario(EMPTY_SCENARIO, "no phone")
        debug = session.start_debug_log(helper)
        session.start_hitched()
        driver = Driver(wine, driver_exe)
        watcher = Watcher(wine, portclient)
        check(debug.wait_count("IsDeviceChanged : bIsChanged", 1, 30), "first pass at start")

        # Welcome page on a first start.
        s = driver.state()
        check(s["page"] == text["IDS_STRING_WELCOME_WIZARD"], "first start opens the welcome page")
        check((s["prev"], s["next"], s["cancel"]) == ("0", "1", text["IDS_STRING_BTCAPTION_CANCEL"]),
              "welcome: Previous off, Next on, Cancel")
        driver.ask("click %d" % NEXT)
        s = driver.state()
        check(s["page"] == text["IDS_STRING_SELECTTYPE"], "Next: the connection-type page")
        check(read_settings(settings).get("wizard_show") == "1", "hitched.dat: wizard_show=1")
        check((s["prev"], s["next"]) == ("1", "1"), "type page: Previous and Next on")

        # Infrared: its advice opens over the type page.
        driver.ask("check %d" % RADIO_INFRARED)
        driver.ask("click %d" % NEXT)
        s = driver.state()
        check(s["page"] == text["IDS_STRING_SELECTTYPE"], "infrared: the wizard stays on page 1")
        check(s["advice"] == text["IDS_STRING_INFRARED_TROUBLESHOOT"], "infrared: advice shown")
        check(read_settings(settings).get("Infrared") == "1", "hitched.dat: Infrared=1")
        driver.ask("advice-ok")
        check(driver.state()["advice"] == "", "OK hides the advice")

        # Cable: the detect page waits, then the plugged phone is listed.
        driver.ask("check %d" % RADIO_CABLE)
        driver.ask("click %d" % NEXT)
        s = driver.state()
        check(s["page"] == text["IDS_STRING_DETECT"], "cable: the detect page")
        check((s["prev"], s["next"]) == ("1", "0"), "detect page: Previous on, Next off")
        values = read_settings(settings)
        check(values.get("USB Cable") == "1" and values.get("Serial Cable") == "1",
              "hitched.dat: both cable types on")
        time.sleep(2.0)
        check(driver.state()["page"] == text["IDS_STRING_DETECT"], "no phone: still waiting")

        before = watcher.count()
        write_scenario(PHONE_SCENARIO, "Ostra phone on COM5")
        driver.proc.stdin.write("wait %s 30000\n" % text["IDS_STRING_CONNECT_COMPLETE"])
        driver.proc.stdin.flush()
        wine.run([helper, "devicechange"])
        answer = driver.proc.stdout.readline().strip()
        shown_at = time.monotonic()
        push = watcher.wait_push(before, 1)
        check(push is not None and push["count"] == 1, "the phone was pushed to clients")
        check(answer.startswith("shown"), "the completed page came: " + answer)
        delay = shown_at - push["time"]
        figures["push to completed page shown, ms"] = delay * 1000
        check(delay < 1.6, "completed page within about a second of the push (%.2f s)" % delay)
        s = driver.state()
        check((s["prev"], s["next"], s["cancel"]) == ("0", "0", text["IDS_STRING_BTCAPTION_OK"]),
              "completed page: Previous and Next off, the button reads OK")
        rows = driver.rows()
        log("rows: %r" % rows)
        check(rows == ["Ostra OS-100|" + text["IDS_STRING_COMPLIST_USB"]],
              "the phone is listed by name with its connection")

        # Unplugged while the completed page shows: the monitor's pass empties the list.
        before = watcher.count()
        write_scenario(EMPTY_SCENARIO, "no phone")
        wine.run([helper, "devicechange"])
        push = watcher.wait_push(before, 15)
        check(push is not None and push["count"] == 0, "unplug: empty push")
        end = time.monotonic() + 3
        while driver.rows() and time.monotonic() < end:
            time.sleep(0.1)
        check(driver.rows() == [], "unplug: the completed page's list follows")

        driver.ask("click %d" % CANCEL)
        s = driver.state()
        check(s["page"] == text["IDS_STRING_WELCOME_WIZARD"], "OK resets the wizard to page 0")
    finally:
        session.finish()
    print("wizard e2e: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
