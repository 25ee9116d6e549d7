#!/usr/bin/env python3
# phonesim as the Wine and end-to-end tests drive it: the pty it announces and links, the echo
# at once and the answer after its delay, its traffic log, control lines on stdin, a host that
# reopens the port, a flood nobody asked for, and how it ends. What it answers is pinned by its
# phone model's test.
#   usage: phonesim_test.py PHONESIM
import os
import select
import subprocess
import sys
import tempfile
import time
import tty

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    failures.extend([] if condition else [what])


def open_raw(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    return fd


def read(fd, until, timeout):
    # What arrives until `until` is in it, or the time is up (for b"": all that arrives).
    got, end = b"", time.monotonic() + timeout
    while (not until or until not in got) and select.select([fd], [], [], max(0, end - time.monotonic()))[0]:
        got += os.read(fd, 1024)
    return got


def ask(fd, command, expected):
    # Stdin lines reach the phone when it gets to them: asks until the answer holds `expected`
    # (b"": until no answer comes).
    for _ in range(30):
        os.write(fd, command)
        got = read(fd, expected, 0.2)
        if expected in got if expected else not got:
            return True
    return False


def main():
    phonesim = sys.argv[1]
    for bad in (["--mode", "loud"], ["--delay", "-5"], ["--quirks", "shouting"], ["stray"]):
        code = subprocess.run([phonesim] + bad, capture_output=True).returncode
        check(code == 2, "refuses " + " ".join(bad))
    work = tempfile.TemporaryDirectory()
    link, log = os.path.join(work.name, "com5"), os.path.join(work.name, "phone.log")
    sim = subprocess.Popen([phonesim, "--link", link, "--pty-file", link + ".pty", "--delay", "600",
                            "--verbose"],
                           stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=open(log, "w"))
    flood = subprocess.Popen([phonesim, "--no-stdin", "--mode", "flood", "--link", link + "b"],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    try:
        pty = sim.stdout.readline().decode().strip()
        check(pty == os.readlink(link) == open(link + ".pty").read().strip(), "pty announced, linked")
        fd = open_raw(link)
        os.write(fd, b"AT+CGMI\r")
        check(read(fd, b"", 0.3) == b"AT+CGMI\r", "the echo at once")
        check(read(fd, b"OK\r\n", 5) == b"\r\nOstra\r\n\r\nOK\r\n", "the answer after its delay")
        check("rx AT+CGMI" in open(log).read(), "the traffic logged")
        sim.stdin.write(b"delay 0\nmode silent\n")
        sim.stdin.flush()
        check(ask(fd, b"ATE0\r", b""), "stdin: silent")
        sim.stdin.write(b"mode normal\n")
        sim.stdin.flush()
        for reopened in range(3):
            check(ask(fd, b"AT\r", b"\r\nOK\r\n"), "answers, port opened %d times" % reopened)
            os.close(fd)
            fd = open_raw(link)
        sim.stdin.close()
        check(sim.wait(5) == 0 and not os.path.lexists(link) and not os.path.lexists(link + ".pty"),
              "stdin ended: gone, link and pty file too")
        flood.stdin.close()
        fd = open_raw(flood.stdout.readline().decode().strip())
        check(len(read(fd, b"", 0.5)) >= 256, "a flood of bytes, unasked")
        check(flood.poll() is None, "--no-stdin: the end of stdin does not end it")
        flood.terminate()
        check(flood.wait(5) == 0 and not os.path.lexists(link + "b"), "SIGTERM: gone, link too")
    finally:
        for p in (sim, flood):
            p.kill()
            p.wait()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
