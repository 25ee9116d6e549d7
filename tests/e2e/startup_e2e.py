#!/usr/bin/env python3
# hitched.exe as other programs of the suite meet it: started, started again, shown, hidden and
# left, each observed from other processes (wizard_driver.exe and the debug-output monitor).
#   usage: startup_e2e.py PHONESIM PORTCLIENT_EXE HELPER_EXE DRIVER_EXE
# Environment: HITCHED_WINE_DIR (the build's Wine folder), HITCHED_DIST_DIR (install layout).
import os
import re
import sys
import time

from wine_e2e import EMPTY_SCENARIO, Session, Wine, check, wait_for
from wizard_e2e import Driver, language_texts

WM_CLOSE, WM_SYSCOMMAND, BM_CLICK, WM_DEVICECHANGE = 0x10, 0x112, 0xF5, 0x219
SC_MINIMIZE, SC_CLOSE, CANCEL = 0xF020, 0xF060, 2


def main():
    helper, driver_exe = sys.argv[3:5]
    wine = Wine()
    session = Session(wine, "hitched-startup-")
    text = language_texts(os.path.join(session.dist, "languages", "language.lgg"))
    session.write_scenario(EMPTY_SCENARIO, "no phone")
    markers = [0x7000]

    def shown(front=False):
        s = driver.state()
        return s["visible"] == "1" and s["iconic"] == "0" and (s["front"] == "1" or not front)

    # Waits until every message posted to the wizard before has been handled: a device change
    # goes through the same queue and leaves a line in the debug log.
    def settle():
        markers[0] += 1
        driver.ask("post %d %d" % (WM_DEVICECHANGE, markers[0]))
        line = "--device changed : message = 537, wParam = %d, lParam = 0---" % markers[0]
        return debug.wait_count(line, 1, 5)

    def start(*args):
        process = session.start_hitched(args=args)
        check(driver.ask("started 20000") == "started 1", "start-up event set")
        return process

    try:
        debug = session.start_debug_log(helper)
        driver = Driver(wine, driver_exe)
        show, hide = driver.names["show"], driver.names["hide"]
        show_request = "post %s 0" % driver.names["show id"]
        hide_request = "post %s 0" % driver.names["hide id"]

        # The show name, or the hide name in another case, leaves the wizard shown normally.
        variant = "M" + hide[1:]
        first = start(show, variant, "--test")
        check(shown(), "first start: shown normally")
        check(driver.state()["title"] == text["AFX_IDS_APP_TITLE"], "title from the language file")
        check(settle(), "answers posted messages")
        # The port service listens before the wizard's pages are made.
        steps = ["create mutex", "start app", r"start-up: port service listening after \d+ ms",
                 r"start-up: pages created after \d+ ms",
                 r'--Server cmdline: .*hitched\.exe"? %s %s --test' % (show, variant),
                 "--m_MsgHideWindow = " + driver.names["hide id"],
                 "--m_MsgShowWindow = " + driver.names["show id"]]
        at = 0
        for line in list(debug.lines):
            at += at < len(steps) and bool(re.fullmatch(steps[at] + r"---\[Hitched\]",
                                                        line.split(": ", 1)[1]))
        check(at == len(steps), "start-up trace complete and in order")
        check(debug.count("hide server window") == 0, "no hiding by the show name or a variant")

        # A second start exits at once and brings the wizard to the front.
        for what, post, reached in (("hidden", hide_request, lambda w: w["visible"] == "0"),
                                    ("minimised", "post %d %d" % (WM_SYSCOMMAND, SC_MINIMIZE),
                                     lambda w: w["iconic"] == "1")):
            driver.ask(post)
            check(wait_for(lambda: reached(driver.state()), 5), what)
            mutexes, starts = debug.count("create mutex---"), debug.count("start app---")
            code, _ = wine.run([os.path.join(session.dist, "hitched.exe")])
            check(code == 0, what + ": a second start exits with 0")
            check(wait_for(lambda: shown(front=True), 5), what + ": the wizard in front")
            check(wait_for(lambda: debug.count("create mutex---") == mutexes + 1, 5) and
                  debug.count("start app---") == starts, what + ": the second one went no further")
        check(debug.count("--hide hitched dlg :%s---" % driver.names["hide id"]) == 1 and
              debug.count("--show hitched dlg :%s---" % driver.names["show id"]) == 2,
              "show and hide requests logged")

        # Leaving hides the wizard and broadcasts the launch message once; the process goes on
        # serving and shows the wizard again on request.
        for count, (what, post) in enumerate((
                ("close box", "post %d %d" % (WM_SYSCOMMAND, SC_CLOSE)),
                ("WM_CLOSE", "post %d 0" % WM_CLOSE),
                ("Cancel", "post %d 0 %d" % (BM_CLICK, CANCEL))), 1):
            driver.ask(post)
            check(wait_for(lambda: driver.state()["visible"] == "0", 5), what + ": hidden")
            check(wait_for(lambda: int(driver.state()["launches"]) >= count, 5),
                  what + ": launch broadcast")
            check(settle(), what + ": still serving")
            driver.ask(show_request)
            check(wait_for(shown, 5), what + ": shown again")
        time.sleep(0.3)
        check(driver.state()["launches"] == "3", "one launch broadcast per leave")

        # The hide name anywhere in the command line starts the wizard force-minimised.
        first.terminate()  # the Wine runner passes TERM on to hitched.exe
        first.wait()
        start("first", "--launcher=suite%s-tail" % hide, "last")
        check(driver.state()["iconic"] == "1", "hide name: minimised")
        check(debug.wait_count("hide server window---[Hitched]", 1, 5), "hide name: logged")
        driver.ask(show_request)
        check(wait_for(lambda: shown(front=True), 5), "the show message brings it up")
    finally:
        session.finish()
    print("startup e2e: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
