#!/usr/bin/env python3
"""Screenshots of the wizard for the README: every page it can reach and the troubleshooting
dialog in both modes, at 96, 144 and 192 DPI (the 144 and 192 DPI sets named "144dpi-..."
and "192dpi-..."), taken under Xvfb from the real hitched.exe on the simulated machine with a
phonesim phone plugged in for the completed page (the walk of scripts/wizard_walk.py).
Windows get title bars from a Wine virtual desktop.

usage: screenshots.py BUILD_DIR OUT_DIR   (run by scripts/screenshots.sh)
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from wine_e2e import EMPTY_SCENARIO, Session, Wine, started  # noqa: E402
from wizard_e2e import Driver, language_texts  # noqa: E402
from wizard_walk import Scale, walk  # noqa: E402

DESKTOP = "explorer", "/desktop=shots,1600x1200"


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


def shoot(build, out, wine, dpi):
    session = Session(wine, "hitched-shots-")
    text = language_texts(os.path.join(session.dist, "languages", "language.lgg"))
    prefix = "" if dpi == 96 else "%ddpi-" % dpi

    def shot(name, advice):
        time.sleep(0.8)  # let the animation and the repaint settle
        answer = driver.ask("advice-rect" if advice else "rect")
        left, top, right, bottom = (int(v) for v in answer.split()[1:])
        path = os.path.join(out, prefix + name + ".png")
        subprocess.run(["import", "-display", wine.env["DISPLAY"], "-window", "root", "-crop",
                        "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage",
                        "-colors", "256", "PNG8:" + path], check=True)
        print("wrote " + path, flush=True)

    try:
        session.start_phone(os.path.join(build, "host", "phonesim"))
        session.write_scenario(EMPTY_SCENARIO, "no phone")
        session.start_hitched(DESKTOP)
        driver = Driver(wine, os.path.join(build, "bin", "wizard_driver.exe"), DESKTOP)
        time.sleep(2.0)
        walk(driver, session, wine, list(DESKTOP) + [os.path.join(build, "bin", "devicechange.exe")],
             shot, text)
    finally:
        session.finish()


def main():
    build, out = sys.argv[1:3]
    os.makedirs(out, exist_ok=True)
    wine = DesktopWine()
    os.environ["HITCHED_DIST_DIR"] = os.path.join(build, "dist")
    scale = Scale(wine)
    try:
        for dpi in (96, 144, 192):
            scale.set(dpi)
            shoot(build, out, wine, dpi)
    finally:
        scale.restore()
    return 0


if __name__ == "__main__":
    sys.exit(main())
