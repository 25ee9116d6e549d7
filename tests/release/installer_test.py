"""The release packages of the x86_64 build, as a Windows user meets them.

installer_test.py BUILD_DIR PROBE_EXE
  - the zip holds exactly the install layout, in one folder named after the package;
  - the installer, run silently in a fresh Wine prefix, installs the layout under the user's
    local application data, registers its uninstaller, adds the Start-menu entry and the log-on
    entry with the hide name, and starts Hitched hidden: start-up event set, port 9520 answers;
  - installing again over the running program succeeds and Hitched serves again;
  - the silent uninstaller ends the program and leaves no file and no entry behind.
"""
import glob
import os
import shutil
import socket
import subprocess
import sys
import time
import zipfile

LAYOUT = {"hitched.exe", "KvInquireInfo.dll", "KvInquireInfo.ini", "communication.dll",
          "KVBluetoothComm.dll",
          "Mirrolet.ini", "detectphone.pgr", "hitched.chm", "languages/language.lgg"}
HIDE_NAME = "msg_kv_ostrapctools_portservice_startserver_showwindow_hide"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hitched"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
T0 = time.monotonic()
failures = []


def log(text):
    print("[%6.2f] %s" % (time.monotonic() - T0, text), flush=True)


def check(condition, what):
    log(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def wait_until(predicate, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.2)
    return predicate()


def port_answers():
    try:
        socket.create_connection(("127.0.0.1", 9520), timeout=1).close()
        return True
    except OSError:
        return False


class FreshPrefix:
    """A Wine prefix of its own, created for this run and removed after it."""

    def __init__(self, build):
        self.dir = os.path.join(build, "installer-wine")
        shutil.rmtree(self.dir, ignore_errors=True)
        self.env = dict(os.environ, HITCHED_WINE_DIR=self.dir)
        self.env.pop("HITCHED_DISPLAY", None)
        started = subprocess.run([os.path.join(ROOT, "scripts/wine/start.sh")], env=self.env,
                                 stdin=subprocess.DEVNULL, capture_output=True, text=True)
        if started.returncode != 0:
            raise SystemExit("no fresh Wine prefix: " + started.stdout + started.stderr)
        self.env.update(WINEPREFIX=os.path.join(self.dir, "prefix"), WINEARCH="win64",
                        WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                        DISPLAY=open(os.path.join(self.dir, "display")).read().strip())

    def run(self, args, timeout=120):
        """Output to a file: programs the installer starts must not hold our pipes."""
        out_path = os.path.join(self.dir, "out.txt")
        with open(out_path, "w") as out:
            code = subprocess.run(["wine"] + args, env=self.env, stdout=out,
                                  stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                  timeout=timeout).returncode
        with open(out_path, errors="replace") as out:
            return code, out.read().replace("\r", "")

    def unix_path(self, windows_path):
        return subprocess.run(["winepath", "-u", windows_path], env=self.env, text=True,
                              capture_output=True).stdout.strip()

    def reg_value(self, key, name):
        code, out = self.run(["reg", "query", key, "/v", name], timeout=30)
        return out if code == 0 else None

    def close(self):
        subprocess.run([os.path.join(ROOT, "scripts/wine/stop.sh")], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.dir, ignore_errors=True)


def files_under(folder):
    found = set()
    for base, _, names in os.walk(folder):
        for name in names:
            found.add(os.path.relpath(os.path.join(base, name), folder).replace(os.sep, "/"))
    return found


def check_zip(package):
    top = os.path.basename(package)[:-len(".zip")]
    with zipfile.ZipFile(package) as z:
        names = {n for n in z.namelist() if not n.endswith("/")}
    check(names == {top + "/" + f for f in LAYOUT},
          "the zip holds exactly the install layout under %s/ (%s)" % (top, sorted(names)))


class Probe:
    """installed_probe.exe, started before Hitched as a launcher would: holds the start-up
    event and reports it and the wizard's state on request."""

    def __init__(self, wine, exe):
        self.proc = subprocess.Popen(["wine", exe], env=wine.env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)

    def ask(self, line="state"):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().strip()

    def close(self):
        self.proc.stdin.close()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def check_running_hidden(probe, what):
    check(wait_until(port_answers, 30), what + ": port 9520 answers")
    state = {"out": ""}

    def started():
        state["out"] = probe.ask()
        return "event=1" in state["out"]
    check(wait_until(started, 15), what + ": start-up event set (%s)" % state["out"])
    check("window=1 iconic=1" in state["out"], what + ": the wizard is force-minimised")


def main():
    build, probe_exe = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    packages = os.path.join(build, "packages")
    installers = glob.glob(os.path.join(packages, "Hitched-*-win64.exe"))
    zips = glob.glob(os.path.join(packages, "Hitched-*-win64.zip"))
    if not installers or not zips:
        log("no packages yet; building them")
        subprocess.run([os.path.join(ROOT, "scripts/package.sh"), "win64"], check=True)
        installers = glob.glob(os.path.join(packages, "Hitched-*-win64.exe"))
        zips = glob.glob(os.path.join(packages, "Hitched-*-win64.zip"))
    check(len(installers) == 1 and len(zips) == 1, "one installer and one zip: %s" % os.listdir(packages))
    if failures:
        return 1
    check_zip(zips[0])
    check(not port_answers(), "port 9520 is free before the install")

    wine = FreshPrefix(build)
    probe = None
    try:
        probe = Probe(wine, probe_exe)
        check(probe.ask() == "event=0 window=0 iconic=0", "no Hitched before the install")
        code, _ = wine.run([installers[0], "/S"])
        check(code == 0, "silent install exits with 0")
        code, local = wine.run(["cmd", "/c", "echo %LOCALAPPDATA%"], timeout=30)
        instdir_win = local.strip().splitlines()[-1] + "\\Hitched"
        instdir = wine.unix_path(instdir_win)
        check(files_under(instdir) - {"hitched.dat"} == LAYOUT | {"Uninstall.exe"},
              "installed under %s: the layout and the uninstaller" % instdir_win)
        uninstall = wine.reg_value(UNINSTALL_KEY, "UninstallString") or ""
        check("Uninstall.exe" in uninstall and "Hitched" in uninstall,
              "the uninstaller is registered for the user")
        run = wine.reg_value(RUN_KEY, "Hitched") or ""
        check(HIDE_NAME in run and "hitched.exe" in run, "the log-on entry carries the hide name")
        code, menu = wine.run(["cmd", "/c", "echo %APPDATA%"], timeout=30)
        shortcut = wine.unix_path(menu.strip().splitlines()[-1] +
                                  r"\Microsoft\Windows\Start Menu\Programs\Hitched.lnk")
        check(os.path.isfile(shortcut), "the Start-menu entry exists")
        check_running_hidden(probe, "after the install")

        probe.ask("reset")
        code, _ = wine.run([installers[0], "/S"])
        check(code == 0, "installing again over the running program exits with 0")
        check_running_hidden(probe, "after the second install")

        t = time.monotonic()
        code, _ = wine.run([os.path.join(instdir, "Uninstall.exe"), "/S"])
        # The uninstaller runs from a copy of itself in the temporary folder and returns at once.
        gone = wait_until(lambda: not os.path.exists(instdir), 60)
        log("uninstall took %.1f s" % (time.monotonic() - t))
        check(gone, "the uninstaller removed the program folder")
        check(wait_until(lambda: wine.reg_value(UNINSTALL_KEY, "UninstallString") is None, 10),
              "the uninstall entry is gone")
        check(wine.reg_value(RUN_KEY, "Hitched") is None, "the log-on entry is gone")
        check(not os.path.exists(shortcut), "the Start-menu entry is gone")
        check(wait_until(lambda: not port_answers(), 10), "Hitched no longer serves on 9520")
    finally:
        if probe:
            probe.close()
        wine.close()
    print("%d check(s) failed" % len(failures) if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
