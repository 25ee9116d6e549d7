"""The walk through the wizard that the README's screenshots and the DPI end-to-end test
share: every page and both advice dialogs of the real hitched.exe under Wine, and the prefix
set to a display scale on a screen of its own.
"""
import os
import subprocess
import time

from wine_e2e import EMPTY_SCENARIO, PHONE_SCENARIO, check

NEXT, PREVIOUS, CANCEL = 3, 1000, 2
RADIO_CABLE, RADIO_INFRARED, RADIO_BLUETOOTH, PASSCODE = 1002, 1003, 1004, 1029
# A radio with three devices in range; the second one is paired already.
RADIO = EMPTY_SCENARIO + "".join(
    ["[Bluetooth]\nRadio=1\nDevices=3\nInquiryMs=200\n"] +
    ["[BtDevice%d]\nAddress=0019B7A1C2D%d\nName=%s\nPaired=%d\n" % (n, n, name, paired)
     for n, (name, paired) in enumerate((("Ostra B1", 0), ("Ostra A7", 1), ("Headset", 0)), 1)])
DPI_KEYS = (r"HKCU\Control Panel\Desktop",
            r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts")


class Scale:
    # The prefix on a screen of 2200 x 1600 (a 200 % wizard is bigger than the build's display),
    # at a DPI: LogPixels, which takes effect when the server starts again.
    def __init__(self, wine):
        self.wine, self.display = wine, wine.env["DISPLAY"]
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "2200x1600x24",
                                      "-nolisten", "tcp"], stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL)
        self.own = ":" + self.xvfb.stdout.readline().decode().strip()

    def restart(self, display):
        # The server and Wine's desktop process on another display; Wine's runner takes the
        # display from the build's Wine folder.
        with open(os.path.join(os.environ["HITCHED_WINE_DIR"], "display"), "w") as f:
            f.write(display + "\n")
        env = dict(self.wine.env, WINEPREFIX=self.wine.prefix, DISPLAY=display)
        for args in (["wineserver", "-k"], ["wineserver", "-w"], ["wineserver", "-p"]):
            subprocess.run(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wine.env["DISPLAY"] = display
        self.wine.run(["cmd", "/c", "exit"])

    def set(self, dpi, display=None):
        for key in DPI_KEYS:
            self.wine.run(["reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi),
                           "/f"])
        self.restart(display or self.own)

    def restore(self):
        self.set(96, self.display)
        self.xvfb.terminate()
        self.xvfb.wait(timeout=10)


def pairing_views(ask, session, look):
    # Page 6 as the two common phones pair: the number to compare, then the number to type.
    # Cancel ends each attempt and leaves the wizard on the page, where Next tries again.
    phone = "[BtDevice1]\nAddress=0019B7A1C2D1\nName=Ostra B1\nPaired=0\n"
    for name, method, typed in (("8-bluetooth-pairing-numeric", "numeric", None),
                                ("9-bluetooth-pairing-passkey", "passkey", "482913")):
        session.write_scenario(RADIO.replace(phone, phone + "PairMs=60000\nPairing=%s\n"
                                             "Number=%s\n" % (method, typed or "123456")), name)
        ask("click %d" % NEXT)
        if typed:
            time.sleep(0.5)
            ask("type %d %s" % (PASSCODE, typed))
        look(name, False)
        ask("click %d" % CANCEL)
    time.sleep(0.5)


def walk(driver, session, wine, devicechange, look, text):
    # Every page and both advice dialogs, each handed to look(name, advice) once shown;
    # devicechange: how to run devicechange.exe where hitched.exe runs.
    ask = driver.ask
    look("1-welcome", False)
    ask("click %d" % NEXT)
    look("2-connection-type", False)
    ask("check %d" % RADIO_INFRARED)
    ask("click %d" % NEXT)
    look("3-troubleshoot-infrared", True)
    ask("advice-ok")
    session.write_scenario(RADIO, "a Bluetooth radio with three devices")
    ask("check %d" % RADIO_BLUETOOTH)
    ask("click %d" % NEXT)
    time.sleep(1.0)
    ask("timer 101")  # what the end of the 30-second search does
    ask("select 0")
    look("4-bluetooth-search", False)
    pairing_views(ask, session, look)
    ask("click %d" % PREVIOUS)
    ask("click %d" % PREVIOUS)
    ask("check %d" % RADIO_CABLE)
    ask("click %d" % NEXT)
    look("5-detect-cable", False)
    ask("timer 100")  # what the two-minute time-out does
    look("6-troubleshoot-usb", True)
    ask("advice-ok")
    ask("click %d" % PREVIOUS)
    ask("click %d" % NEXT)
    session.write_scenario(PHONE_SCENARIO, "Ostra phone on COM5")
    wine.run(devicechange)
    answer = ask("wait %s 30000" % text["IDS_STRING_CONNECT_COMPLETE"])
    check(answer.startswith("shown"), "completed page: " + answer)
    look("7-completed", False)
