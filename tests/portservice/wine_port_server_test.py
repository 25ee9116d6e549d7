#!/usr/bin/env python3
"""Drives the port server as a Windows program under Wine (port_server_host.exe, Winsock
backend) with clients on the Linux side, written here from the wire format alone.

usage: wine_port_server_test.py RUN_SH HOST_EXE SCENARIO
scenarios: protocol, timer, stop, stop-switch, bind-taken, bind-firewall, bind-default
"""
import os
import queue
import random
import re
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

RECORD = 2056
SLOT = 4112


def enc(text):
    return text.encode("utf-16-le")


def field(record, offset, units=128):
    raw = record[offset:offset + 2 * units].decode("utf-16-le")
    return raw.split("\0", 1)[0]


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


class Host:
    """port_server_host.exe under Wine; its stdout lines are collected by a reader thread."""

    def __init__(self, run_sh, exe, args):
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([run_sh, exe] + args, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=self.log)
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            self.lines.put(raw.decode("utf-8", "replace").rstrip("\r\n"))
        self.lines.put(None)

    def send(self, line):
        self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()

    def expect(self, pattern, timeout=15.0):
        """Waits for a line matching pattern; returns the match."""
        end = time.monotonic() + timeout
        regex = re.compile(pattern)
        while True:
            left = end - time.monotonic()
            if left <= 0:
                raise Failure("host never printed /%s/; last lines: %s" % (pattern, self.seen[-8:]))
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                continue
            if line is None:
                raise Failure("host ended before /%s/; last lines: %s" % (pattern, self.seen[-8:]))
            self.seen.append(line)
            m = regex.fullmatch(line)
            if m:
                return m

    def count(self, line):
        """How often the line was printed so far, queued lines included."""
        while True:
            try:
                queued = self.lines.get_nowait()
            except queue.Empty:
                break
            if queued is None:
                self.lines.put(None)
                break
            self.seen.append(queued)
        return sum(1 for s in self.seen if s == line)

    def wait_count(self, line, n, timeout=10.0):
        end = time.monotonic() + timeout
        while self.count(line) < n:
            if time.monotonic() > end:
                raise Failure("host printed %r %d times, wanted %d" % (line, self.count(line), n))
            time.sleep(0.05)

    def command(self, line, answer, timeout=15.0):
        self.send(line)
        return self.expect(answer, timeout)

    def close(self):
        try:
            if self.proc.poll() is None:
                self.send("quit")
                self.proc.wait(timeout=20)
        except Exception:
            self.proc.kill()
            self.proc.wait()
        return self.proc.returncode


class Client:
    """A protocol client: sends UTF-16 text, takes complete server messages out."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.buf = b""
        self.closed = False

    def send(self, text):
        self.send_bytes(enc(text))

    def send_bytes(self, data):
        self.sock.sendall(data)

    def _parse(self, flushing):
        """One complete message from the buffer, or None."""
        b = self.buf
        for word, result in (("SUCCEED\r\n", 0), ("USED\r\n", 22), ("CMDINVALID\r\n", 11)):
            whole = enc("RequestSerialPort\r\n" + word)
            if b.startswith(whole):
                self.buf = b[len(whole):]
                return ("reply", result)
        for key, kind in (("UpdateConnectedPhone\r\n", "push"), ("GetAllConnectedPhone\r\n", "list")):
            head = enc(key)
            if not b.startswith(head):
                continue
            pos = len(head)
            digits = ""
            while pos + 2 <= len(b) and "0" <= chr(struct.unpack_from("<H", b, pos)[0]) <= "9":
                digits += chr(struct.unpack_from("<H", b, pos)[0])
                pos += 2
            if pos + 2 > len(b) and not flushing:
                return None  # the digits may go on
            if not digits:
                raise Failure("%s header without a count: %r" % (key.strip(), b[:80]))
            count = int(digits)
            if len(b) < pos + count * SLOT:
                return None
            slots = [b[pos + i * SLOT:pos + (i + 1) * SLOT] for i in range(count)]
            self.buf = b[pos + count * SLOT:]
            for s in slots:
                check(s[RECORD:] == bytes(RECORD), "second half of a slot is not zero")
            return (kind, [s[:RECORD] for s in slots])
        if b and not any(enc(k).startswith(b[:len(enc(k))]) or b.startswith(enc(k)) for k in (
                "RequestSerialPort\r\n", "UpdateConnectedPhone\r\n", "GetAllConnectedPhone\r\n")):
            raise Failure("malformed data from the server: %r" % b[:80])
        return None

    def next(self, timeout=5.0):
        """The next message, or None when none comes in time (or the server closed)."""
        end = time.monotonic() + timeout
        while True:
            m = self._parse(False)
            if m:
                return m
            left = end - time.monotonic()
            if left <= 0 or self.closed:
                return self._parse(True)
            self.sock.settimeout(min(left, 0.1))
            try:
                data = self.sock.recv(65536)
            except socket.timeout:
                m = self._parse(True)  # silence ends a count
                if m:
                    return m
                continue
            except ConnectionError:
                data = b""
            if not data:
                self.closed = True
                continue
            self.buf += data

    def next_of(self, kinds, timeout=5.0):
        end = time.monotonic() + timeout
        while True:
            m = self.next(max(0.0, end - time.monotonic()))
            if m is None or m[0] in kinds:
                return m

    def request(self, port):
        self.send("RequestSerialPort\r\n" + port)
        m = self.next_of(("reply",), 10)
        check(m is not None, "no reply to RequestSerialPort %r" % port)
        return m[1]

    def release(self, port):
        self.send("ReleaseSerialPort\r\n" + port)
        time.sleep(0.15)  # one read per request

    def close(self):
        self.sock.close()

    def reset(self):
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.sock.close()


def free_port():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def start_host(run_sh, exe, args=None):
    port = free_port()
    host = Host(run_sh, exe, ["--port", str(port)] + (args or []))
    host.expect(r"ready %d" % port, 60)
    return host, port


def wait_clients(host, n):
    end = time.monotonic() + 15
    while time.monotonic() < end:
        if int(host.command("clients", r"clients (\d+)").group(1)) == n:
            return
        time.sleep(0.1)
    raise Failure("the server never served %d clients" % n)


def wait_holds(host, expected):
    end = time.monotonic() + 10
    line = ""
    while time.monotonic() < end:
        line = host.command("holds", r"holds.*").group(0)
        if line == expected:
            return
        time.sleep(0.1)
    raise Failure("holds stayed %r, wanted %r" % (line, expected))


def scenario_protocol(run_sh, exe):
    host, port = start_host(run_sh, exe)
    try:
        a = Client(port)
        a.send("GetAllConnectedPhone\r\n")
        check(a.next(1.5) is None, "an empty table must get no list reply")

        host.send("phone 1 COM5 Ostra A1")
        host.send("phone 2 COM6 Ostra B2")
        host.command("push", r"pushed 2")
        kind, phones = a.next_of(("push",))
        check(kind == "push" and len(phones) == 2, "push with two phones")
        first = phones[0]
        check(struct.unpack_from("<I", first, 0)[0] == 1, "dwConnectType at 0")
        check(field(first, 4) == "COM5", "dwSerialPort at 4")
        check(field(first, 516) == "Ostra A1", "tszPhoneName at 516")
        check(field(first, 1540) == "Ostra", "tszManufacturer at 1540")
        check(field(phones[1], 1284) == "0012a3b4c5d6", "tszBTAddress at 1284")
        check(field(first, 1796) == "Microsoft", "tszBTStackName at 1796")

        b = Client(port)
        wait_clients(host, 2)
        check(a.request("COM5") == 0, "first claim of COM5 SUCCEED")
        check(b.request("COM5") == 22, "second claim of COM5 USED")
        check(a.request("COM5") == 22, "the holder asking again gets USED")
        check(b.request("COM5\r\n") == 11, "COM5 with CR LF gets CMDINVALID")
        check(b.request("LPT1") == 11, "a text without COM gets CMDINVALID")
        b.release("COM5")
        check(b.request("COM5") == 22, "a release by a non-owner changes nothing")

        start = time.monotonic()
        a.send("GetAllConnectedPhone\r\n")
        m = a.next_of(("list",))
        check(m is not None and len(m[1]) == 2, "list reply with two slots")
        check(time.monotonic() - start >= 0.1, "list reply pauses 2 x 50 ms")
        host.expect(r"trace: send GET_ALL_CONNECTEDPHONE data over!")

        # The phone named Ostra A1 moves to COM7: a's hold goes with it.
        host.send("clear")
        host.send("phone 1 COM6 Ostra B2")
        host.send("phone 1 COM7 Ostra A1")
        host.command("push", r"pushed 2", 30)
        for c in (a, b):
            m = c.next_of(("push",))
            check(m is not None and field(m[1][1], 4) == "COM7", "push after the port change")
        check(b.request("COM7") == 22, "the hold followed the phone to COM7")
        wait_holds(host, "holds COM6=0 COM7=1")

        # One read holding release and request: the request is searched first.
        a.send("ReleaseSerialPort\r\nCOM7" + "RequestSerialPort\r\nCOM7")
        m = a.next_of(("reply",))
        check(m == ("reply", 22), "release+request in one read is the request only")

        a.send("DisableConnectType\r\nENABLE_CONN_TYPE_BT")
        host.expect(r"switch 2 0")
        time.sleep(0.15)
        a.send("DisableConnectType\r\nBT")
        time.sleep(0.15)
        a.send("EnableConnectType\r\nENABLE_CONN_TYPE_IR ENABLE_CONN_TYPE_USB")
        host.expect(r"switch 1 1")
        check(not any(s.startswith("switch 2 0") for s in host.seen[host.seen.index("switch 2 0") + 1:]),
              "a switch without its word did something")

        rnd = random.Random(9)
        a.send_bytes(bytes(rnd.randrange(256) for _ in range(255)))
        time.sleep(0.15)
        a.send("x" * 700)
        time.sleep(0.15)
        a.send("RequestSerial")
        time.sleep(0.15)
        a.send("Port\r\nCOM6")
        check(a.next(0.6) is None, "garbage and split requests get no answer")
        a.send_bytes(enc("RequestSerialPort\r\nCOM6") + b"\0\0j\0u")
        check(a.next_of(("reply",)) == ("reply", 0), "text ends at the first NUL")

        a.close()
        wait_holds(host, "holds COM6=0 COM7=0")
        check(b.request("COM7") == 0, "the port is free once its holder left")
        b.reset()
        wait_holds(host, "holds COM6=0 COM7=0")
        host.wait_count("trace: ProcessConnectedPhoneThread end", 2)
        check(host.count("trace: pService->recv_data failed.") == 2, "a close and a reset end the reads")
    finally:
        code = host.close()
    check(code == 0, "host exit code %s" % code)


def scenario_timer(run_sh, exe):
    host, port = start_host(run_sh, exe)
    try:
        clients = [Client(port), Client(port)]
        wait_clients(host, 2)
        host.send("phone 1 COM5 Ostra A1")
        host.command("push", r"pushed 1")
        for c in clients:
            check(len(c.next_of(("push",))[1]) == 1, "push with one phone")
        host.send("clear")
        host.send("push")
        host.expect(r"timer set")
        host.expect(r"pushed 0")
        armed = time.monotonic()
        for c in clients:
            m = c.next_of(("push",))
            check(m is not None and m[1] == [], "empty push at once")
        for c in clients:
            m = c.next_of(("push",), 10)
            check(m is not None and m[1] == [], "empty push again after timer 103")
        elapsed = time.monotonic() - armed
        check(4.5 <= elapsed <= 9.0, "the second empty push came after %.1f s" % elapsed)
        host.expect(r"timer fired")
        check(host.count("timer set") == 1, "the retry push must not arm the timer again")

        # The last phone goes, then a phone comes back within five seconds: no retry push.
        host.send("push")
        host.expect(r"timer set")
        for c in clients:
            check(c.next_of(("push",))[1] == [], "empty push")
        time.sleep(1)
        host.send("phone 1 COM5 Ostra A1")
        host.command("push", r"pushed 1")
        for c in clients:
            check(len(c.next_of(("push",))[1]) == 1, "push of the phone that came back")
        check(clients[0].next(6.5) is None, "a killed timer must not push again")
        check(host.count("timer fired") == 1, "the timer fired again after being killed")
    finally:
        code = host.close()
    check(code == 0, "host exit code %s" % code)


def scenario_stop(run_sh, exe):
    host, port = start_host(run_sh, exe)
    try:
        host.send("phone 1 COM5 Ostra A1")
        host.command("push", r"pushed 1")
        clients = [Client(port) for _ in range(4)]
        wait_clients(host, 4)
        check(clients[0].request("COM5") == 0, "claim before the stop")
        clients[1].send("GetAllConnectedPhone\r\n")  # a list reply under way
        start = time.monotonic()
        host.command("stop", r"stopped", 30)
        check(time.monotonic() - start < 15, "the stop took too long")
        for i, c in enumerate(clients):
            while c.next(3) is not None:
                pass
            check(c.closed, "client %d was not disconnected by the stop" % i)
        try:
            socket.create_connection(("127.0.0.1", port), timeout=3).close()
            raise Failure("the port still accepts after the stop")
        except (ConnectionRefusedError, socket.timeout):
            pass
        check(host.count("trace: ProcessConnectedPhoneThread end") == 4, "every thread ended")
        host.command("holds", r"holds")
    finally:
        code = host.close()
    check(code == 0, "host exit code %s" % code)


def scenario_stop_switch(run_sh, exe):
    """A connection thread waits in its switch message for the very thread that stops."""
    host, port = start_host(run_sh, exe)
    try:
        a = Client(port)
        wait_clients(host, 1)
        host.send("stop-after 1500")
        time.sleep(0.5)
        a.send("EnableConnectType\r\nENABLE_CONN_TYPE_USB")
        host.expect(r"stopped", 20)
        check(host.count("switch 1 1") == 1, "the pending switch message was not served")
        check(a.next(3) is None and a.closed, "the client was not disconnected")
    finally:
        code = host.close()
    check(code == 0, "host exit code %s" % code)


def expect_bind_failure(host, line):
    host.expect(r"bind-failed", 60)
    host.expect(r"started-event set")
    check(host.count("trace: " + line) == 1, "log line %r missing" % line)
    host.proc.wait(timeout=20)
    check(host.proc.returncode == 3, "exit code %s" % host.proc.returncode)


def scenario_bind_taken(run_sh, exe, port=None):
    blocker = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    blocker.bind(("0.0.0.0", port or 0))
    blocker.listen(1)
    port = blocker.getsockname()[1]
    host = Host(run_sh, exe, [] if port == 9520 else ["--port", str(port)])
    try:
        expect_bind_failure(host, "ERROR:==================Bind server socket failed.")
    finally:
        host.close()
        blocker.close()


def scenario_bind_firewall(run_sh, exe):
    host = Host(run_sh, exe, ["--port", str(free_port()), "--address", "192.0.2.1"])
    try:
        expect_bind_failure(host, "ERROR:==================Firewall blocked the Hitched.")
    finally:
        host.close()


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    run_sh, exe, scenario = sys.argv[1:]
    scenarios = {
        "protocol": lambda: scenario_protocol(run_sh, exe),
        "timer": lambda: scenario_timer(run_sh, exe),
        "stop": lambda: scenario_stop(run_sh, exe),
        "stop-switch": lambda: scenario_stop_switch(run_sh, exe),
        "bind-taken": lambda: scenario_bind_taken(run_sh, exe),
        "bind-firewall": lambda: scenario_bind_firewall(run_sh, exe),
        "bind-default": lambda: scenario_bind_taken(run_sh, exe, 9520),
    }
    try:
        scenarios[scenario]()
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    print("passed: %s" % scenario)
    return 0


if __name__ == "__main__":
    sys.exit(main())
