#!/usr/bin/env python3
# The wizard's cable path end to end: the real hitched.exe under Wine on a simulated machine,
# driven by wizard_driver.exe the way a user clicks through it, with a phonesim phone plugged in
# while the wizard waits on the detect page, and portclient.exe watching the pushes. Buttons
# and settings of each page are pinned by the frame's own tests; here the real program's path.
#   usage: wizard_e2e.py PHONESIM PORTCLIENT_EXE HELPER_EXE DRIVER_EXE
# Environment: HITCHED_WINE_DIR (the build's Wine folder), HITCHED_DIST_DIR (install layout).
# Prints a transcript and the figures; exits nonzero on the first failed check.
import os
import subprocess
import sys
import time

from wine_e2e import EMPTY_SCENARIO, PHONE_SCENARIO, Session, Wine, check, log, wait_for

# Button ids of the frame.
NEXT, CANCEL = 3, 2
RADIO_CABLE, RADIO_INFRARED = 1002, 1003


def language_texts(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        pairs = (line.strip().partition("=") for line in f)
        return {key.strip(): value.strip() for key, sep, value in pairs if sep}


class Driver:
    # wizard_driver.exe: prefix runs it inside a Wine virtual desktop, where the wizard is.
    def __init__(self, wine, exe, prefix=()):
        self.proc = wine.popen(list(prefix) + [exe], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        first = self.proc.stdout.readline().strip().split("|")
        if first[0] != "ready":
            raise SystemExit("wizard driver: %r" % first)
        self.names = dict(field.split("=", 1) for field in first[1:])

    def ask(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().rstrip("\n")

    def state(self):
        line = self.ask("state")
        log(line)
        return dict(field.split("=", 1) for field in line.split("|")[1:])

    def rows(self):
        count = int(self.ask("rows").split()[1])
        return [self.proc.stdout.readline().rstrip("\n")[len("row "):] for _ in range(count)]


def main():
    phonesim, portclient, helper, driver_exe = sys.argv[1:5]
    devicechange = os.path.join(os.path.dirname(portclient), "devicechange.exe")
    wine = Wine()
    session = Session(wine, "hitched-wizard-")
    text = language_texts(os.path.join(session.dist, "languages", "language.lgg"))

    def expect_page(key, what):
        s = driver.state()
        check(s["page"] == text[key], "%s: %s" % (what, key))
        return s

    try:
        _, _, watcher = session.start(phonesim, helper, portclient)
        driver = Driver(wine, driver_exe)
        expect_page("IDS_STRING_WELCOME_WIZARD", "first start")
        driver.ask("click %d" % NEXT)
        expect_page("IDS_STRING_SELECTTYPE", "Next")

        # Infrared: its advice opens over the type page.
        driver.ask("check %d" % RADIO_INFRARED)
        driver.ask("click %d" % NEXT)
        s = expect_page("IDS_STRING_SELECTTYPE", "infrared")
        check(s["advice"] == text["IDS_STRING_INFRARED_TROUBLESHOOT"], "infrared: advice shown")
        driver.ask("advice-ok")
        check(driver.state()["advice"] == "", "OK hides the advice")

        # Cable: the detect page waits, then the plugged phone is listed.
        driver.ask("check %d" % RADIO_CABLE)
        driver.ask("click %d" % NEXT)
        expect_page("IDS_STRING_DETECT", "cable")
        time.sleep(2.0)
        expect_page("IDS_STRING_DETECT", "no phone: still waiting")
        before = watcher.count()
        session.write_scenario(PHONE_SCENARIO, "Ostra phone on COM5")
        driver.proc.stdin.write("wait %s 30000\n" % text["IDS_STRING_CONNECT_COMPLETE"])
        driver.proc.stdin.flush()
        wine.run([devicechange])
        answer = driver.proc.stdout.readline().strip()
        shown_at = time.monotonic()
        push = watcher.wait_push(before, 1)
        check(push is not None and push["count"] == 1, "the phone was pushed to clients")
        check(answer.startswith("shown"), "the completed page came: " + answer)
        delay = shown_at - push["time"]
        session.figures["push to completed page shown, ms"] = delay * 1000
        check(delay < 1.6, "completed page within about a second of the push (%.2f s)" % delay)
        rows = driver.rows()
        log("rows: %r" % rows)
        check(rows == ["Ostra OS-100|" + text["IDS_STRING_COMPLIST_USB"]],
              "the phone is listed by name with its connection")

        # Unplugged while the completed page shows: the monitor's pass empties the list.
        before = watcher.count()
        session.write_scenario(EMPTY_SCENARIO, "no phone")
        wine.run([devicechange])
        push = watcher.wait_push(before, 15)
        check(push is not None and push["count"] == 0, "unplug: empty push")
        check(wait_for(lambda: driver.rows() == [], 3), "unplug: the completed page's list follows")

        driver.ask("click %d" % CANCEL)
        expect_page("IDS_STRING_WELCOME_WIZARD", "OK resets the wizard to page 0")
    finally:
        session.finish()
    print("wizard e2e: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
