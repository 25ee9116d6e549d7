"""What the end-to-end tests share: Wine with the build's prefix and display, the simulated
machine's scenarios, portclient watch, the debug-output monitor, and the transcript helpers.
Every process started through Wine.popen is listed in `started`, so a test can end them all.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

PHONE_SCENARIO = r"""[Machine]
Controllers=1
Ports=1
[Controller1]
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0000
Description=Simulated USB Host Controller
RootHub=Hub1
[Hub1]
Ports=4
Port2=Device1
[Device1]
VendorID=0421
ProductID=0630
DriverKey={36FC9E60-C465-11CF-8056-444553540000}\0007
[Port1]
Class=Ports
PortName=COM5
FriendlyName=Ostra USB Serial Port (COM5)
Description=Ostra USB Serial Port
Parent=Device1
"""
EMPTY_SCENARIO = "[Machine]\nControllers=0\n"
# Before identification the record has no name and no IMEI yet: that is the lock's name.
UNNAMED_PHONE_LOCK = "Quellon-Ostra Hubware() - "
# The longest a pass may take on a silent phone: three identifications of at most 4 s each.
PASS_BUDGET_S = 12.0

started = []
failures = []
T0 = time.monotonic()


def log(text):
    print("[%7.3f] %s" % (time.monotonic() - T0, text), flush=True)


def check(condition, what):
    log(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)
        raise SystemExit(1)


class Wine:
    def __init__(self):
        wine_dir = os.environ["HITCHED_WINE_DIR"]
        self.env = dict(os.environ)
        self.env.update(WINEPREFIX=os.path.join(wine_dir, "prefix"), WINEARCH="win64",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.setdefault("WINEDEBUG", "-all")
        display = os.path.join(wine_dir, "display")
        if os.path.exists(display) and os.path.getsize(display) > 0:
            self.env["DISPLAY"] = open(display).read().strip()
        self.prefix = self.env["WINEPREFIX"]

    def popen(self, args, extra_env=None, **kw):
        env = dict(self.env)
        env.update(extra_env or {})
        p = subprocess.Popen(["wine"] + args, env=env, **kw)
        started.append(p)
        return p

    def run(self, args, timeout=30):
        p = self.popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL, text=True)
        out, _ = p.communicate(timeout=timeout)
        return p.returncode, out


class Watcher:
    """portclient.exe watch: every push with its arrival time."""

    def __init__(self, wine, portclient):
        self.pushes = []
        self.lock = threading.Lock()
        deadline = time.monotonic() + 30
        while True:
            self.proc = wine.popen([portclient, "watch"], stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, text=True)
            first = self.proc.stdout.readline()
            if first.startswith("watching"):
                break
            self.proc.wait()
            if time.monotonic() > deadline:
                raise SystemExit("no port service on 127.0.0.1:9520: " + first)
            time.sleep(0.5)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        current = None
        for line in self.proc.stdout:
            line = line.rstrip("\n")
            m = re.match(r"UpdateConnectedPhone: (\d+) phone", line)
            if m:
                current = {"time": time.monotonic(), "count": int(m.group(1)), "phones": []}
                with self.lock:
                    self.pushes.append(current)
                log("watch: " + line)
                continue
            m = re.match(r"\s+phone \d+: type (\d+)", line)
            if m and current is not None:
                current["phones"].append({"type": int(m.group(1))})
                log("watch: " + line)
                continue
            m = re.match(r"\s+([A-Za-z ]+):\s*(.*)$", line)
            if m and current is not None and current["phones"]:
                current["phones"][-1][m.group(1).strip()] = m.group(2)
            if line.strip():
                log("watch: " + line)

    def count(self):
        with self.lock:
            return len(self.pushes)

    def wait_push(self, after, timeout):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            with self.lock:
                if len(self.pushes) > after:
                    time.sleep(0.2)  # the records follow the header line
                    return self.pushes[after]
            time.sleep(0.05)
        return None


class DebugLog:
    """Every OutputDebugString line of the Wine desktop, through the helper's DBWIN_BUFFER
    reader; kept in a file too, for a failed run."""

    def __init__(self, wine, helper, path):
        self.path = path
        self.lines = []
        self.lock = threading.Lock()
        self.proc = wine.popen([helper, "debuglog"], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        first = self.proc.stdout.readline().strip()
        if first != "monitoring":
            raise SystemExit("no debug-output monitor: " + first)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        with open(self.path, "w") as kept:
            for line in self.proc.stdout:
                with self.lock:
                    self.lines.append(line.rstrip("\n"))
                kept.write(line)
                kept.flush()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass

    def count(self, text):
        with self.lock:
            return sum(1 for line in self.lines if text in line)

    def wait_count(self, text, at_least, timeout):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.count(text) >= at_least:
                return True
            time.sleep(0.05)
        return False


class Session:
    """One run against a fresh copy of the install layout (no hitched.dat): its work folder,
    the simulated machine's scenario file, a phonesim phone on COM5 and the debug-output
    monitor. finish() ends every process, prints the figures and removes the work folder, or
    keeps the debug log of a failed run."""

    def __init__(self, wine, prefix):
        self.wine = wine
        self.work = tempfile.mkdtemp(prefix=prefix)
        self.dist = os.path.join(self.work, "dist")
        shutil.copytree(os.environ["HITCHED_DIST_DIR"], self.dist)
        settings = os.path.join(self.dist, "hitched.dat")
        if os.path.exists(settings):
            os.remove(settings)
        self.scenario = os.path.join(self.work, "machine.ini")
        self.com5 = os.path.join(wine.prefix, "dosdevices", "com5")
        self.debug = None
        self.figures = {}

    def write_scenario(self, text, what):
        with open(self.scenario, "w") as f:
            f.write(text.replace("\n", "\r\n"))
        log("scenario written: " + what)

    def start_phone(self, phonesim):
        sim = subprocess.Popen([phonesim, "--link", self.com5], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        started.append(sim)
        log("phonesim started on " + sim.stdout.readline().strip() + " -> COM5")
        return sim

    def start_debug_log(self, helper):
        self.debug = DebugLog(self.wine, helper, os.path.join(self.work, "hitched.log"))
        log("debug-output monitor started")
        return self.debug

    def start_hitched(self, prefix=()):
        """prefix: a command to start it in, such as a Wine virtual desktop."""
        self.wine.popen(list(prefix) + [os.path.join(self.dist, "hitched.exe")],
                        extra_env={"HITCHED_SIMULATION": self.scenario},
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                        stdin=subprocess.DEVNULL)
        log("hitched.exe started")

    def finish(self):
        if self.debug is not None:
            self.debug.stop()
        end_all()
        if os.path.islink(self.com5):
            os.remove(self.com5)
        for name, value in self.figures.items():
            print("figure: %s = %.1f" % (name, value))
        if failures and self.debug is not None:
            print("debug log kept in " + self.debug.path)
        else:
            shutil.rmtree(self.work, ignore_errors=True)


def end_all():
    """Ends every process started so far, newest first."""
    for p in reversed(started):
        if p.poll() is None:
            p.kill()
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
