"""scripts/run.sh as a newcomer runs it, headless: the demo's client sees the push of the
demo phone; the example client of docs/protocol.md (examples/hitched_client.py) lists, claims
and releases the phone and watches it go; after Ctrl+C (SIGINT) nothing the script started is
left running.

run_demo_test.py   (the build is already there: HITCHED_RUN_NO_BUILD skips it)
"""
import os
import signal
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_DIR = os.path.join(ROOT, "build", "run-wine")
EXAMPLE = [sys.executable, os.path.join(ROOT, "examples", "hitched_client.py")]
failures = []
STOP_LIMIT = 15  # seconds from Ctrl+C until the script has returned


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def example(*args, timeout=30):
    out = subprocess.run(EXAMPLE + list(args), capture_output=True, text=True, timeout=timeout)
    print("$ hitched_client.py %s\n%s" % (" ".join(args), (out.stdout + out.stderr).rstrip()))
    return out.stdout


def unplug_the_demo_phone():
    """What the demo's key u does: an empty machine, announced to the program."""
    scenario = os.path.join(WINE_DIR, "demo", "machine.ini")
    with open(scenario, "w") as f:
        f.write("[Machine]\r\nControllers=0\r\n")
    env = dict(os.environ, HITCHED_WINE_DIR=WINE_DIR)
    subprocess.run([os.path.join(ROOT, "scripts", "wine", "run.sh"),
                    os.path.join(ROOT, "build", "win64", "bin", "devicechange.exe")], env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


def exercise_the_example_client():
    watcher = subprocess.Popen(EXAMPLE + ["watch", "25"], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
    time.sleep(1)
    listed = example("list")
    check("list: 1 phone(s)" in listed and "Ostra Ostra OS-100 (USB) on COM5" in listed,
          "the example client lists the demo phone")
    holder = subprocess.Popen(EXAMPLE + ["request", "COM5", "4"], stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
    first = holder.stdout.readline()
    check("request COM5: SUCCEED" in first, "a first client claims COM5")
    check("request COM5: USED" in example("request", "COM5", "0"), "a second one is told USED")
    holder.wait(timeout=30)
    check("request COM5: SUCCEED" in example("request", "COM5", "0"),
          "after the first client left, COM5 is free again")
    check("request COM9: CMDINVALID" in example("request", "COM9", "0"), "no phone on COM9")
    unplug_the_demo_phone()
    out, _ = watcher.communicate(timeout=60)
    print("$ hitched_client.py watch 25\n" + out.rstrip())
    check("push: 0 phone(s)" in out, "the watching example client sees the phone go")


def processes_of_the_demo():
    """Processes whose command line or environment ties them to the demo's prefix or display."""
    found = []
    xvfb = os.path.join(WINE_DIR, "xvfb.pid")
    xvfb_pid = open(xvfb).read().strip() if os.path.exists(xvfb) else None
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmd = f.read().replace(b"\0", b" ").decode(errors="replace")
            with open("/proc/%s/environ" % pid, "rb") as f:
                env = f.read().decode(errors="replace")
        except OSError:
            continue
        if pid == xvfb_pid or WINE_DIR in cmd or ("WINEPREFIX=" + WINE_DIR) in env:
            found.append("%s %s" % (pid, cmd.strip()))
    return found


def main():
    env = dict(os.environ, HITCHED_RUN_NO_BUILD="1")
    env.pop("DISPLAY", None)
    proc = subprocess.Popen([os.path.join(ROOT, "scripts", "run.sh")], env=env, text=True,
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, start_new_session=True)
    lines = []
    reader = threading.Thread(target=lambda: lines.extend(proc.stdout), daemon=True)
    reader.start()
    t0 = time.monotonic()
    pushed = False
    while time.monotonic() - t0 < 90 and proc.poll() is None:
        text = "".join(lines)
        if "UpdateConnectedPhone: 1 phone(s)" in text and "Ostra OS-100" in text:
            pushed = True
            break
        time.sleep(0.2)
    print("push of the demo phone after %.1f s: %s" % (time.monotonic() - t0, pushed))
    if pushed:
        exercise_the_example_client()
    running = processes_of_the_demo()
    os.kill(proc.pid, signal.SIGINT)  # Ctrl+C reaches the script
    stopping = time.monotonic()
    try:
        code = proc.wait(timeout=60)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        code = None
    stop_time = time.monotonic() - stopping
    reader.join(timeout=5)
    print("".join(lines))
    # The script returns only when all it started has gone, so nothing may be left now.
    left = processes_of_the_demo()
    print("demo processes while running: %d; left after Ctrl+C: %s" % (len(running), left))
    print("stop after Ctrl+C: %.1f s" % stop_time)
    ok = pushed and code == 0 and stop_time <= STOP_LIMIT and len(running) > 0 and not left and not failures
    print("exit code %s; %s" % (code, "all checks passed" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
