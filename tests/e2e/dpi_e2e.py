#!/usr/bin/env python3
# The wizard at 96, 144 and 192 DPI through every page and both advice dialogs (the walk of
# scripts/wizard_walk.py): texts fit their controls (in their fonts, as the debug log gives
# them), skinned buttons show their scale's faces one to one, skins and list images are their
# scale's art; a DPI change to 144 lays the 96 DPI wizard out again.
#   usage: dpi_e2e.py PHONESIM PORTCLIENT_EXE HELPER_EXE DRIVER_EXE
import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from wine_e2e import EMPTY_SCENARIO, Session, Wine, check, log  # noqa: E402
from wizard_e2e import Driver, language_texts  # noqa: E402
from wizard_walk import Scale, walk  # noqa: E402

def shown_art(driver, advice, art):
    # What `layout` finds that is not of the art scale, or that no window is shown: [] if all is.
    driver.proc.stdin.write("layout%s\n" % (" advice" if advice else ""))
    driver.proc.stdin.flush()
    cell = ["%d" % ((20 * art + 50) // 100), "%d" % ((24 * art + 50) // 100)]
    lines = [line.split() for line in iter(driver.proc.stdout.readline, "end\n")]
    wrong = [" ".join(v) for v in lines if (v[0] == "button" and v[4] != str(art)) or
             (v[0] == "skin" and v[2] != str(art)) or (v[0] == "icon" and v[1:] != cell)]
    skins = sum(v[0] == "skin" for v in lines)
    return wrong + ["%d windows" % skins] if wrong or skins != (1 if advice else 2) else []


def check_shown(driver, name, advice, art):
    # Once painted: the page may still be drawing when it is shown.
    for _ in range(10):
        time.sleep(0.3)
        wrong = shown_art(driver, advice, art)
        if not wrong:
            break
    check(not wrong, "%s: skins, button faces and list images of the %d %% art, one to one; "
          "not so: %r" % (name, art, wrong))


def check_texts_fit(debug, first, dpi, at_least):
    text = "\n".join(line for line in debug.lines[first:] if ": layout " in line)
    check(set(re.findall(r"dpi (\d+), art", text)) == {str(dpi)}, "laid out at %d DPI" % dpi)
    sizes = [tuple(map(int, c)) for c in re.findall(r"client (\d+) x (\d+) text (\d+) x (\d+)", text)]
    cut = [s for s in sizes if s[2] > s[0] or s[3] > s[1]]
    check(len(sizes) >= at_least and not cut, "%d texts fit their controls at %d DPI, cut: %r"
          % (len(sizes), dpi, cut))


def main():
    phonesim, portclient, helper, driver_exe = sys.argv[1:5]
    wine = Wine()
    scale = Scale(wine)
    try:
        for dpi in (96, 144, 192):
            scale.set(dpi)
            log("--- %d DPI" % dpi)
            session = Session(wine, "hitched-dpi-")
            try:
                text = language_texts(os.path.join(session.dist, "languages", "language.lgg"))
                session.start_phone(phonesim)
                session.write_scenario(EMPTY_SCENARIO, "no phone")
                debug = session.start_debug_log(helper)
                session.start_hitched()
                driver = Driver(wine, driver_exe)
                walk(driver, session, wine,
                     [os.path.join(os.path.dirname(portclient), "devicechange.exe")],
                     lambda name, advice: check_shown(driver, name, advice, dpi * 100 // 96), text)
                check_texts_fit(debug, 0, dpi, 100)  # every page's
                if dpi == 96:
                    first = len(debug.lines)
                    check(driver.ask("dpichange 96 144") == "changed", "moved to a 144 DPI screen")
                    check_shown(driver, "after the DPI change", False, 150)
                    check_texts_fit(debug, first, 144, 7)  # the frame's, the shown page's
            finally:
                session.finish()
    finally:
        scale.restore()
    print("dpi e2e: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
