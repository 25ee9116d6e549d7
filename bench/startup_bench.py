#!/usr/bin/env python3
"""How soon hitched.exe serves after it was started, under Wine, beside a program that does
nothing: for each round, the time from starting the process until a TCP connection to port
9520 is accepted, shown (as a user starts it) and hidden (as at log-on), and the start-up
milestones of its debug log ("start-up: <step> after N ms", from process creation), read in
rounds of their own (a debug-output monitor slows every line a little).

    startup_bench.py [BUILD_DIR] [ROUNDS]     (default build/win64, 5 rounds)

Figures only: it fails only when the program never listens. Port 9520 must be free.
"""
import os
import re
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HIDE = "msg_kv_ostrapctools_portservice_startserver_showwindow_hide"
STEP = re.compile(r"start-up: (.*?) after (\d+) ms")


def wine_env(wine_dir):
    out = subprocess.run(["bash", "-c", 'source "$0" && env -0', os.path.join(
        ROOT, "scripts", "wine", "env.sh")], env=dict(os.environ, HITCHED_WINE_DIR=wine_dir),
        capture_output=True, check=True).stdout
    return dict(item.split("=", 1) for item in out.decode().split("\0") if "=" in item)


def accepts(timeout=0.05):
    try:
        socket.create_connection(("127.0.0.1", 9520), timeout=timeout).close()
        return True
    except OSError:
        return False


def time_baseline(env, exe):
    t0 = time.monotonic()
    subprocess.run(["wine", exe], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    return (time.monotonic() - t0) * 1000


def time_hitched(env, exe, args):
    """Milliseconds until port 9520 accepts; None when it never did."""
    t0 = time.monotonic()
    proc = subprocess.Popen(["wine", exe] + args, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    listening = None
    while time.monotonic() - t0 < 30 and proc.poll() is None:
        if accepts():
            listening = (time.monotonic() - t0) * 1000
            break
        time.sleep(0.002)
    time.sleep(0.5)  # the rest of the start-up
    proc.terminate()  # Wine ends the program on TERM
    proc.wait(timeout=30)
    while accepts():  # the port is free before the next round
        time.sleep(0.05)
    return listening


class DebugOutput:
    """Every OutputDebugString line of the prefix, through the tests' monitor."""

    def __init__(self, env, helper):
        self.lines = []
        self.proc = subprocess.Popen([os.path.join(ROOT, "scripts", "wine", "run.sh"), helper,
                                      "debuglog"], env=env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.ready = self.proc.stdout.readline().startswith("monitoring")
        threading.Thread(target=lambda: self.lines.extend(self.proc.stdout), daemon=True).start()

    def close(self):
        self.proc.stdin.close()  # the monitor ends by itself
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.terminate()


def summary(values):
    return "median %6.0f ms   min %6.0f   max %6.0f" % (statistics.median(values), min(values),
                                                       max(values))


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build",
                                                                                "win64"))
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    wine_dir = os.path.join(build, "wine")
    env_start = dict(os.environ, HITCHED_WINE_DIR=wine_dir)
    if accepts():
        print("port 9520 is taken: end the program that holds it first")
        return 1
    subprocess.run([os.path.join(ROOT, "scripts", "wine", "start.sh")], env=env_start,
                   stdout=subprocess.DEVNULL, check=True)
    work = tempfile.mkdtemp(prefix="hitched-startup-bench-")
    try:
        dist = os.path.join(work, "dist")
        shutil.copytree(os.path.join(build, "dist"), dist,
                        ignore=shutil.ignore_patterns("hitched.dat"))
        scenario = os.path.join(work, "machine.ini")
        with open(scenario, "w") as f:
            f.write("[Machine]\r\nControllers=0\r\n")
        env = dict(wine_env(wine_dir), HITCHED_SIMULATION=scenario)
        exe = os.path.join(dist, "hitched.exe")
        baseline = os.path.join(build, "bin", "startup_baseline.exe")
        figures = {"baseline program, start to exit": [], "hitched.exe shown, start to listening": [],
                   "hitched.exe hidden, start to listening": []}
        names = list(figures)
        starts = ((names[1], []), (names[2], [HIDE]))
        for _ in range(rounds):
            figures[names[0]].append(time_baseline(env, baseline))
            for name, args in starts:
                listening = time_hitched(env, exe, args)
                if listening is None:
                    print("%s: never listened" % name)
                    return 1
                figures[name].append(listening)
        milestones = {}
        debug = DebugOutput(env, os.path.join(build, "bin", "detection_helper.exe"))
        for _ in range(rounds if debug.ready else 0):
            for name, args in starts:
                seen = len(debug.lines)
                time_hitched(env, exe, args)
                for step, ms in [(m[1], int(m[2])) for m in
                                 map(STEP.search, debug.lines[seen:]) if m]:
                    milestones.setdefault((name.split(",")[0], step), []).append(ms)
        debug.close()
        print("start-up under Wine, %d rounds (ms from the start of the process)" % rounds)
        for name, values in figures.items():
            print("  %-40s %s" % (name, summary(values)))
        print("debug-log milestones (median ms after process creation):")
        for (who, step), values in milestones.items():
            print("  %-20s %-42s %5.0f" % (who, step, statistics.median(values)))
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)
        subprocess.run([os.path.join(ROOT, "scripts", "wine", "stop.sh")], env=env_start,
                       stdout=subprocess.DEVNULL)


if __name__ == "__main__":
    sys.exit(main())
