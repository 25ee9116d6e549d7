#!/usr/bin/env python3
"""Screenshots of the wizard for the README: every page it can reach and the troubleshooting
dialog in both modes, taken under Xvfb from the real hitched.exe on the simulated machine with
a phonesim phone plugged in for the completed page. Windows get title bars from a Wine virtual
desktop.

usage: screenshots.py BUILD_DIR OUT_DIR   (run by scripts/screenshots.sh)
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from wine_e2e import EMPTY_SCENARIO, PHONE_SCENARIO, Wine, end_all, started  # noqa: E402
from wizard_e2e import Driver  # noqa: E402

DESKTOP = "explorer", "/desktop=shots,1024x768"
NEXT, CANCEL = 3, 2
RADIO_CABLE, RADIO_INFRARED, RADIO_BLUETOOTH = 1002, 1003, 1004


def main():
    build, out = sys.argv[1:3]
    os.makedirs(out, exist_ok=True)
    wine = Wine()
    display = wine.env["DISPLAY"]
    work = tempfile.mkdtemp(prefix="hitched-shots-")
    dist = os.path.join(work, "dist")
    shutil.copytree(os.path.join(build, "dist"), dist)
    for stale in ("hitched.dat",):
        if os.path.exists(os.path.join(dist, stale)):
            os.remove(os.path.join(dist, stale))
    scenario = os.path.join(work, "machine.ini")

    def write_scenario(text):
        with open(scenario, "w") as f:
            f.write(text.replace("\n", "\r\n"))

    def shot(name, rect_command="rect"):
        time.sleep(0.8)  # let the animation and the repaint settle
        left, top, right, bottom = (int(v) for v in driver.ask(rect_command).split()[1:])
        path = os.path.join(out, name + ".png")
        subprocess.run(["import", "-display", display, "-window", "root", "-crop",
                        "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage", path],
                       check=True)
        print("wrote " + path, flush=True)

    try:
        com5 = os.path.join(wine.prefix, "dosdevices", "com5")
        sim = subprocess.Popen([os.path.join(build, "host", "phonesim"), "--link", com5],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
        started.append(sim)
        sim.stdout.readline()
        write_scenario(EMPTY_SCENARIO)
        wine.popen(list(DESKTOP) + [os.path.join(dist, "hitched.exe")],
                   extra_env={"HITCHED_SIMULATION": scenario}, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        driver = Driver(wine, *([os.path.join(build, "bin", "wizard_driver.exe")]),
                        prefix=list(DESKTOP))
        time.sleep(2.0)
        shot("1-welcome")
        driver.ask("click %d" % NEXT)
        shot("2-connection-type")
        driver.ask("check %d" % RADIO_INFRARED)
        driver.ask("click %d" % NEXT)
        shot("3-troubleshoot-infrared", "advice-rect")
        driver.ask("advice-ok")
        driver.ask("check %d" % RADIO_BLUETOOTH)
        driver.ask("click %d" % NEXT)
        shot("4-bluetooth-search")
        driver.ask("click 1000")
        driver.ask("check %d" % RADIO_CABLE)
        driver.ask("click %d" % NEXT)
        shot("5-detect-cable")
        # What the two-minute time-out does, without waiting two minutes.
        driver.ask("timer 100")
        shot("6-troubleshoot-usb", "advice-rect")
        driver.ask("advice-ok")
        driver.ask("click 1000")
        driver.ask("click %d" % NEXT)
        write_scenario(PHONE_SCENARIO)
        wine.run(list(DESKTOP) + [os.path.join(build, "bin", "detection_helper.exe"),
                                  "devicechange"])
        answer = driver.ask("wait Your phone is connected 30000")
        print("completed page: " + answer, flush=True)
        shot("7-completed")
    finally:
        end_all()
        if os.path.islink(os.path.join(wine.prefix, "dosdevices", "com5")):
            os.remove(os.path.join(wine.prefix, "dosdevices", "com5"))
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
