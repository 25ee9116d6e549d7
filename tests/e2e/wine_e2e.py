# What the end-to-end tests share: Wine with the build's prefix and display, the simulated
# machine's scenarios, portclient watch, the debug-output monitor, and the transcript helpers.
# Every process a test starts through Wine.popen or a Session is listed in `started` and ended
# by Session.finish, also on failure.
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
RUN = os.path.join(HERE, "..", "..", "scripts", "wine", "run.sh")
PHONE_SCENARIO = open(os.path.join(HERE, "phone_on_com5.ini")).read()
EMPTY_SCENARIO = "[Machine]\nControllers=0\n"
PASS_LINE = "IsDeviceChanged : bIsChanged"

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


def wait_for(condition, timeout):
    end = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > end:
            return False
        time.sleep(0.05)
    return True


class Wine:
    # Windows programs in the build's Wine prefix, through the runner the Windows tests use;
    # env holds its display, for screenshots.
    def __init__(self):
        wine_dir = os.environ["HITCHED_WINE_DIR"]
        self.prefix = os.path.join(wine_dir, "prefix")
        self.env = dict(os.environ, DISPLAY=open(os.path.join(wine_dir, "display")).read().strip())

    def popen(self, args, extra_env=None, **kw):
        p = subprocess.Popen([RUN] + args, env=dict(self.env, **(extra_env or {})), **kw)
        started.append(p)
        return p

    def run(self, args, timeout=30):
        p = self.popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL, text=True)
        out, _ = p.communicate(timeout=timeout)
        return p.returncode, out


class Lines:
    # A started program's output lines, read on a thread once its first line said `ready`;
    # on_line sees each one as it comes.
    def __init__(self, proc, ready, on_line=lambda line: None):
        self.proc, self.lines, self.on_line = proc, [], on_line
        first = proc.stdout.readline()
        self.ok = first.startswith(ready)
        if self.ok:
            threading.Thread(target=self._read, daemon=True).start()
        else:
            log("not %s: %s" % (ready, first.strip()))

    def _read(self):
        for line in self.proc.stdout:
            self.lines.append(line.rstrip("\n"))
            self.on_line(self.lines[-1])

    def count(self, text):
        return sum(1 for line in list(self.lines) if text in line)

    def wait_count(self, text, at_least, timeout):
        return wait_for(lambda: self.count(text) >= at_least, timeout)


class Watcher:
    # portclient.exe watch: every push, with its arrival time and its phones' fields.
    def __init__(self, wine, portclient):
        self.pushes = []
        proc = wine.popen([portclient, "watch"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          stdin=subprocess.DEVNULL, text=True)
        check(Lines(proc, "watching", self._took).ok, "portclient watching")

    def _took(self, line):
        log("watch: " + line)
        push = re.match(r"UpdateConnectedPhone: (\d+) phone", line)
        phone = re.match(r"\s+phone \d+: type (\d+)", line)
        field = re.match(r"\s+([A-Za-z ]+):\s*(.*)$", line)
        if push:
            self.pushes.append({"time": time.monotonic(), "count": int(push[1]), "phones": []})
        elif phone and self.pushes:
            self.pushes[-1]["phones"].append({"type": int(phone[1])})
        elif field and self.pushes and self.pushes[-1]["phones"]:
            self.pushes[-1]["phones"][-1][field[1].strip()] = field[2]

    def count(self):
        return len(self.pushes)

    def wait_push(self, after, timeout):
        if not wait_for(lambda: len(self.pushes) > after, timeout):
            return None
        time.sleep(0.2)  # the records follow the header line
        return self.pushes[after]


class Session:
    # One run against a fresh copy of the install layout (no hitched.dat): its work folder, the
    # simulated machine's scenario file, a phonesim phone (on COM5) and every OutputDebugString
    # line of the Wine desktop, "PID: text", through the helper's reader (also kept in a file).
    # finish() ends every process, prints the figures and removes the work folder, or keeps
    # the debug log of a failed run.
    # com: the COM port the phonesim phone is linked to.
    def __init__(self, wine, prefix, com="com5"):
        self.wine = wine
        self.work = tempfile.mkdtemp(prefix=prefix)
        self.dist = os.path.join(self.work, "dist")
        shutil.copytree(os.environ["HITCHED_DIST_DIR"], self.dist,
                        ignore=shutil.ignore_patterns("hitched.dat"))
        self.scenario = os.path.join(self.work, "machine.ini")
        self.com_link = os.path.join(wine.prefix, "dosdevices", com)
        self.debug = None
        self.figures = {}

    def write_scenario(self, text, what):
        with open(self.scenario, "w") as f:
            f.write(text.replace("\n", "\r\n"))
        log("scenario written: " + what)

    # record: a file where phonesim notes every open of the port, every read and every line
    # ("open", "rx N", "line TEXT"). com: another port than the session's; args: phonesim's.
    def start_phone(self, phonesim, record=None, com=None, args=()):
        link = os.path.join(self.wine.prefix, "dosdevices", com) if com else self.com_link
        extra = (["--record", record] if record else []) + list(args)
        sim = subprocess.Popen([phonesim, "--link", link] + extra, stdin=subprocess.PIPE, bufsize=1,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        started.append(sim)
        log("phonesim started on %s -> %s" % (sim.stdout.readline().strip(),
                                              os.path.basename(link).upper()))
        return sim

    def start_debug_log(self, helper):
        self.log_file = open(os.path.join(self.work, "hitched.log"), "w", buffering=1)
        self.debug = Lines(self.wine.popen([helper, "debuglog"], stdin=subprocess.PIPE,
                                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                           text=True), "monitoring",
                           lambda line: self.log_file.write(line + "\n"))
        check(self.debug.ok, "debug-output monitor started")
        return self.debug

    # prefix: a command to start it in, such as a Wine virtual desktop.
    def start_hitched(self, prefix=(), args=()):
        log("hitched.exe started " + " ".join(args))
        return self.wine.popen(list(prefix) + [os.path.join(self.dist, "hitched.exe")] + list(args),
                               extra_env={"HITCHED_SIMULATION": self.scenario},
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               stdin=subprocess.DEVNULL)

    # A phone on its COM port, not plugged in yet, the debug log, hitched.exe and a watching client,
    # once the first detection pass has run: (phonesim, debug log, watcher).
    def start(self, phonesim, helper, portclient, record=None):
        sim = self.start_phone(phonesim, record)
        self.write_scenario(EMPTY_SCENARIO, "no phone")
        self.start_debug_log(helper)
        self.hitched = self.start_hitched()
        # The port service listens before the monitor's first pass.
        check(self.debug.wait_count(PASS_LINE, 1, 30), "first pass at start")
        return sim, self.debug, Watcher(self.wine, portclient)

    def finish(self):
        if self.debug is not None and self.debug.proc.poll() is None:
            self.debug.proc.stdin.close()  # lets the helper end by itself
            try:
                self.debug.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        for p in reversed(started):
            if p.poll() is None:
                # TERM first: the Wine runner passes it on to the program it runs.
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait(timeout=10)
        if os.path.islink(self.com_link):
            os.remove(self.com_link)
        for name, value in self.figures.items():
            print("figure: %s = %.1f" % (name, value))
        if failures and self.debug is not None:
            print("debug log kept in " + self.log_file.name)
        else:
            shutil.rmtree(self.work, ignore_errors=True)
