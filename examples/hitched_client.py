#!/usr/bin/env python3
"""A client of Hitched's port service (TCP 9520), in one file, standard library only.

    hitched_client.py list                 the connected phones
    hitched_client.py request COM5 [SEC]   claim a phone's serial port; hold it SEC seconds
                                           (default: until Ctrl+C), printing pushes meanwhile
    hitched_client.py release COM5         give it back (closing the connection does too)
    hitched_client.py watch [SECONDS]      print every push, for SECONDS or until Ctrl+C

Options before the command: --host ADDRESS (127.0.0.1), --port N (9520).
docs/protocol.md describes every byte this file reads and writes.
"""
import socket
import struct
import sys
import time

KEY_UPDATE = "UpdateConnectedPhone\r\n"
KEY_LIST = "GetAllConnectedPhone\r\n"
KEY_REQUEST = "RequestSerialPort\r\n"
KEY_RELEASE = "ReleaseSerialPort\r\n"
RESULT_WORDS = ("SUCCEED\r\n", "USED\r\n", "CMDINVALID\r\n")
SLOT_BYTES = 4112
RECORD_BYTES = 2056
TYPES = {0: "serial", 1: "USB", 2: "Bluetooth", 3: "infrared"}
FIELDS = ("serial", "modem", "name", "imei", "library", "bt_address", "maker", "stack")


def utf16(text):
    return text.encode("utf-16-le")


def field_text(raw):
    """A text field: UTF-16LE up to its first NUL unit. A phone's own words may be broken
    UTF-16 (half a surrogate pair); such a unit reads as U+FFFD instead of failing."""
    for i in range(0, len(raw) - 1, 2):
        if raw[i] == 0 and raw[i + 1] == 0:
            raw = raw[:i]
            break
    return raw.decode("utf-16-le", errors="replace")


def parse_record(record):
    """One 2056-byte phone record: the type, eight 128-unit text fields, the extra word."""
    phone = {"type": struct.unpack_from("<I", record, 0)[0]}
    for i, name in enumerate(FIELDS):
        phone[name] = field_text(record[4 + 256 * i: 4 + 256 * (i + 1)])
    phone["extra"] = struct.unpack_from("<I", record, 2052)[0]
    return phone


class Reader:
    """Cuts the server's byte stream into messages, however TCP splits or merges them."""

    def __init__(self, sock):
        self.sock = sock
        self.buffer = b""

    def _fill(self, deadline):
        remaining = None if deadline is None else deadline - time.monotonic()
        if remaining is not None and remaining <= 0:
            raise TimeoutError
        self.sock.settimeout(remaining)
        try:
            data = self.sock.recv(65536)
        except socket.timeout:
            raise TimeoutError from None
        if not data:
            raise ConnectionError("the server closed the connection")
        self.buffer += data

    def _units(self, n, deadline):
        while len(self.buffer) < 2 * n:
            self._fill(deadline)
        return self.buffer[:2 * n].decode("utf-16-le", errors="replace")

    def _take(self, nbytes):
        taken, self.buffer = self.buffer[:nbytes], self.buffer[nbytes:]
        return taken

    def next(self, deadline=None):
        """('push' | 'list', [phones]) or ('request', result word); TimeoutError at the deadline."""
        keywords = [KEY_UPDATE, KEY_LIST] + [KEY_REQUEST + w for w in RESULT_WORDS]
        # 1. A keyword: read while the units so far begin one of them.
        n = 1
        while True:
            text = self._units(n, deadline)
            whole = [k for k in keywords if k == text]
            if whole:
                self._take(2 * n)
                break
            if not any(k.startswith(text) for k in keywords):
                raise ValueError("not a message of the port service: %r" % text)
            n += 1
        keyword = whole[0]
        if keyword.startswith(KEY_REQUEST):
            return "request", keyword[len(KEY_REQUEST):].strip()
        # 2. The count: "0" is complete by itself; other digits end at the first non-digit,
        # the first unit of the first slot, which follows them at once.
        digits = ""
        while True:
            unit = self._units(1, deadline)
            if unit not in "0123456789":
                break
            digits += unit
            self._take(2)
            if digits == "0":
                break
        if not digits:
            raise ValueError("a list without a count")
        count = int(digits)
        # 3. count slots of 4112 bytes; a record is the first 2056 bytes of its slot.
        while len(self.buffer) < count * SLOT_BYTES:
            self._fill(deadline)
        payload = self._take(count * SLOT_BYTES)
        phones = [parse_record(payload[i * SLOT_BYTES: i * SLOT_BYTES + RECORD_BYTES])
                  for i in range(count)]
        return ("push" if keyword == KEY_UPDATE else "list"), phones


def connect(host, port):
    sock = socket.create_connection((host, port), timeout=5)
    # Small commands must leave at once, each in a read of its own on the server's side.
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return sock


def describe(phone):
    kind = TYPES.get(phone["type"], str(phone["type"]))
    where = phone["serial"] or "-"
    if phone["bt_address"]:
        where += " bt=" + phone["bt_address"]
    return "%s %s (%s) on %s modem=%s imei=%s library=%s stack=%s" % (
        phone["maker"], phone["name"], kind, where, phone["modem"] or "-", phone["imei"],
        phone["library"], phone["stack"] or "-")


def print_phones(title, phones):
    print("%s: %d phone(s)" % (title, len(phones)), flush=True)
    for i, phone in enumerate(phones, 1):
        print("  %d. %s" % (i, describe(phone)), flush=True)


def wait_for(reader, kind, seconds):
    """The next message of one kind; pushes that come first are printed, not lost."""
    deadline = time.monotonic() + seconds
    while True:
        got, body = reader.next(deadline)
        if got == kind:
            return body
        print_phones(got, body)


def command_list(sock, reader):
    sock.sendall(utf16(KEY_LIST))
    try:
        phones = wait_for(reader, "list", 1.5)
    except TimeoutError:
        phones = []  # the server does not answer when no phone is connected
    print_phones("list", phones)
    return 0


def command_request(sock, reader, port, hold_seconds):
    sock.sendall(utf16(KEY_REQUEST + port))
    word = wait_for(reader, "request", 3)
    print("request %s: %s" % (port, word), flush=True)
    if word != "SUCCEED":
        return 1
    # The hold lasts as long as the connection: closing it gives the port back.
    command_watch(reader, hold_seconds)
    return 0


def command_release(sock, port):
    sock.sendall(utf16(KEY_RELEASE + port))
    time.sleep(0.1)  # no answer comes; give the server its read before we close
    print("release %s: sent" % port, flush=True)
    return 0


def command_watch(reader, seconds):
    deadline = None if seconds is None else time.monotonic() + seconds
    try:
        while True:
            kind, body = reader.next(deadline)
            if kind == "request":
                print("request: " + body, flush=True)
            else:
                print_phones(kind, body)
    except (TimeoutError, KeyboardInterrupt):
        return 0


def main(argv):
    host, port = "127.0.0.1", 9520
    args = list(argv)
    while args and args[0].startswith("--"):
        option = args.pop(0)
        if option == "--host" and args:
            host = args.pop(0)
        elif option == "--port" and args:
            port = int(args.pop(0))
        else:
            args = []
    if not args or args[0] not in ("list", "request", "release", "watch") or \
            (args[0] == "release" and len(args) != 2) or (args[0] == "request" and len(args) not in (2, 3)):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        sock = connect(host, port)
    except OSError as e:
        print("cannot connect to %s:%d: %s" % (host, port, e), file=sys.stderr)
        return 3
    reader = Reader(sock)
    try:
        if args[0] == "list":
            return command_list(sock, reader)
        if args[0] == "request":
            hold = float(args[2]) if len(args) > 2 else None
            return command_request(sock, reader, args[1], hold)
        if args[0] == "release":
            return command_release(sock, args[1])
        return command_watch(reader, float(args[1]) if len(args) > 1 else None)
    except (ConnectionError, ValueError, TimeoutError) as e:
        print("error: %s" % (e or "no answer in time"), file=sys.stderr)
        return 4
    finally:
        sock.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
