"""The example client reads text fields holding broken UTF-16 (half a surrogate pair, as a
phone's answer cut inside a character once produced) as U+FFFD instead of failing."""
import pathlib
import struct
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "examples"))
from hitched_client import parse_record  # noqa: E402

fields = [[0x33, 0xD83D], [0xDE00, 0x41, 0, 0xD800]] + [[]] * 6
record = struct.pack("<I", 1) + b"".join(
    struct.pack("<%dH" % len(f), *f).ljust(256, b"\0") for f in fields) + struct.pack("<I", 7)
phone = parse_record(record)
# What follows a field's terminator is not read.
assert (phone["serial"], phone["modem"], phone["extra"]) == ("3\ufffd", "\ufffdA", 7), phone
