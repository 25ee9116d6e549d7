#!/usr/bin/env python3
"""Screenshots of the wizard for the README: every page it can reach and the troubleshooting
dialog in both modes, taken under Xvfb from the real hitched.exe on the simulated machine with
a phonesim phone plugged in for the completed page. Windows get title bars from a Wine virtual
desktop.

usage: screenshots.py BUILD_DIR OUT_DIR   (run by scripts/screenshots.sh)
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from wine_e2e import EMPTY_SCENARIO, PHONE_SCENARIO, Session, Wine, started  # noqa: E402
from wizard_e2e import Driver, language_texts  # noqa: E402

DESKTOP = "explorer", "/desktop=shots,1024x768"
NEXT, CANCEL = 3, 2
RADIO_CABLE, RADIO_INFRARED, RADIO_BLUETOOTH = 1002, 1003, 1004
PREVIOUS, PASSCODE = 1000, 1029
# A radio with three devices in range; the second one is paired already.
RADIO = EMPTY_SCENARIO + "".join(
    ["[Bluetooth]\nRadio=1\nDevices=3\nInquiryMs=200\n"] +
    ["[BtDevice%d]\nAddress=0019B7A1C2D%d\nName=%s\nPaired=%d\n" % (n, n, name, paired)
     for n, (name, paired) in enumerate((("Ostra B1", 0), ("Ostra A7", 1), ("Headset", 0)), 1)])


class DesktopWine(Wine):
    """Programs started straight with wine: in a virtual desktop the explorer that starts a
    program may end at once, and the test runner would stop passing the program's output on
    with it; outside CTest nothing minds Wine's helpers holding our pipes."""

    def popen(self, args, extra_env=None, **kw):
        env = dict(self.env, WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all",
                   **(extra_env or {}))
        p = subprocess.Popen(["wine"] + args, env=env, **kw)
        started.append(p)
        return p


def pairing_shots(driver, session, shot):
    """Page 6 as the two common phones pair: the number to compare, then the number to type.
    Cancel ends each attempt, so Previous leads back afterwards."""
    phone = "[BtDevice1]\nAddress=0019B7A1C2D1\nName=Ostra B1\nPaired=0\nPairMs=60000\n"
    session.write_scenario(RADIO.replace(phone.replace("PairMs=60000\n", ""), phone +
                                         "Pairing=numeric\nNumber=123456\n"), "numeric")
    driver.ask("click %d" % NEXT)
    shot("8-bluetooth-pairing-numeric")
    driver.ask("click %d" % CANCEL)
    session.write_scenario(RADIO.replace(phone.replace("PairMs=60000\n", ""), phone +
                                         "Pairing=passkey\nNumber=482913\n"), "passkey")
    driver.ask("click %d" % NEXT)
    time.sleep(0.5)
    driver.ask("type %d 482913" % PASSCODE)
    shot("9-bluetooth-pairing-passkey")
    driver.ask("click %d" % CANCEL)
    time.sleep(0.5)


def main():
    build, out = sys.argv[1:3]
    os.makedirs(out, exist_ok=True)
    wine = DesktopWine()
    display = wine.env["DISPLAY"]
    os.environ["HITCHED_DIST_DIR"] = os.path.join(build, "dist")
    session = Session(wine, "hitched-shots-")
    text = language_texts(os.path.join(session.dist, "languages", "language.lgg"))

    def shot(name, rect_command="rect"):
        time.sleep(0.8)  # let the animation and the repaint settle
        left, top, right, bottom = (int(v) for v in driver.ask(rect_command).split()[1:])
        path = os.path.join(out, name + ".png")
        subprocess.run(["import", "-display", display, "-window", "root", "-crop",
                        "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage", path],
                       check=True)
        print("wrote " + path, flush=True)

    try:
        session.start_phone(os.path.join(build, "host", "phonesim"))
        session.write_scenario(EMPTY_SCENARIO, "no phone")
        session.start_hitched(DESKTOP)
        driver = Driver(wine, os.path.join(build, "bin", "wizard_driver.exe"), DESKTOP)
        time.sleep(2.0)
        shot("1-welcome")
        driver.ask("click %d" % NEXT)
        shot("2-connection-type")
        driver.ask("check %d" % RADIO_INFRARED)
        driver.ask("click %d" % NEXT)
        shot("3-troubleshoot-infrared", "advice-rect")
        driver.ask("advice-ok")
        session.write_scenario(RADIO, "a Bluetooth radio with three devices")
        driver.ask("check %d" % RADIO_BLUETOOTH)
        driver.ask("click %d" % NEXT)
        time.sleep(1.0)
        driver.ask("timer 101")  # what the end of the 30-second search does
        driver.ask("select 0")
        shot("4-bluetooth-search")
        pairing_shots(driver, session, shot)
        driver.ask("click %d" % PREVIOUS)
        driver.ask("click %d" % PREVIOUS)
        driver.ask("check %d" % RADIO_CABLE)
        driver.ask("click %d" % NEXT)
        shot("5-detect-cable")
        # What the two-minute time-out does, without waiting two minutes.
        driver.ask("timer 100")
        shot("6-troubleshoot-usb", "advice-rect")
        driver.ask("advice-ok")
        driver.ask("click %d" % PREVIOUS)
        driver.ask("click %d" % NEXT)
        session.write_scenario(PHONE_SCENARIO, "Ostra phone on COM5")
        wine.run(list(DESKTOP) + [os.path.join(build, "bin", "devicechange.exe")])
        answer = driver.ask("wait %s 30000" % text["IDS_STRING_CONNECT_COMPLETE"])
        print("completed page: " + answer, flush=True)
        shot("7-completed")
    finally:
        session.finish()
    return 0


if __name__ == "__main__":
    sys.exit(main())
