"""The generated artwork, clip and help read back with readers of our own (not the generator's
writers). Environment: ART_DIR, HELP_FILE, HELP_SRC, ARTGEN, CHMLS and LANG_FILE (the language
file, whose help keys must name topics of the compiled help)."""

import glob
import itertools
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

ART = os.environ.get("ART_DIR", "")
MAGENTA = (255, 0, 255)
SKY = (204, 221, 242)  # COLORREF 0xF2DDCC: the detect-cable page paints the clip's background so
# The sizes the dialogs count on: faces one to one on their buttons, 20-pixel image-list cells.
SIZES = {129: (671, 508), 131: (97, 25), 132: (97, 25), 135: (97, 25), 136: (440, 2),
         155: (491, 530), 156: (75, 25), 157: (75, 25), 158: (75, 25), 162: (540, 299),
         163: (642, 349), 166: (140, 26), 167: (140, 26), 168: (140, 26), 169: (121, 24)}
BUTTON_SETS = [(135, 131, 132), (156, 157, 158), (168, 166, 167)]  # hovered, normal, pressed


def luma(c):
    return 0.30 * c[0] + 0.59 * c[1] + 0.11 * c[2]


class Bmp:
    """A BMP file decoded: header fields and pixels as rows of (r, g, b), top row first."""

    def __init__(self, path):
        with open(path, "rb") as f:
            raw = self.raw = f.read()
        (self.magic, self.file_size, _, _, self.offset, self.info_size, self.width, self.height,
         self.planes, self.bpp, self.compression, self.image_size) = struct.unpack_from(
            "<2sIHHIIiiHHII", raw)
        ncol = struct.unpack_from("<I", raw, 46)[0] or (1 << self.bpp if self.bpp <= 8 else 0)
        pal = self.palette = [(raw[56 + 4 * i], raw[55 + 4 * i], raw[54 + 4 * i]) for i in range(ncol)]
        self.stride, used = (self.width * self.bpp + 31) // 32 * 4, (self.width * self.bpp + 7) // 8
        o, s = self.offset, self.stride
        lines = [raw[o + r * s:o + r * s + s] for r in range(abs(self.height))]
        self.padding = b"".join(line[used:] for line in lines)
        self.rows = [[(line[3 * x + 2], line[3 * x + 1], line[3 * x]) if self.bpp == 24 else
                      pal[line[x] if self.bpp == 8 else line[x // 2] >> (0 if x % 2 else 4) & 15]
                      for x in range(self.width)] for line in lines][::1 if self.height < 0 else -1]


def load(bitmap_id):
    return Bmp(glob.glob(os.path.join(ART, "*_%d.bmp" % bitmap_id))[0])


class BitmapHeaders(unittest.TestCase):
    def test_every_bitmap_is_a_bottom_up_dib_of_its_size_with_padded_rows(self):
        frames, sizes = glob.glob(os.path.join(ART, "clip", "*.bmp")), dict(SIZES)
        for path in glob.glob(os.path.join(ART, "*.bmp")) + frames:
            with self.subTest(path=os.path.basename(path)):
                b, bid = Bmp(path), int(re.search(r"_(\d+)\.bmp$", path).group(1))
                self.assertEqual((b.magic, b.file_size, b.info_size), (b"BM", len(b.raw), 40))
                self.assertEqual((b.planes, b.compression, b.image_size), (1, 0, b.stride * b.height))
                self.assertEqual(b.offset, 14 + 40 + 4 * len(b.palette))
                self.assertEqual(len(b.raw), b.offset + b.stride * b.height, "bottom-up, nothing missing")
                self.assertEqual(b.padding, b"\0" * len(b.padding), "row padding is zero")
                size = (180, 176, 8) if path in frames else sizes.pop(bid) + (4 if bid == 136 else 24,)
                self.assertEqual((b.width, b.height, b.bpp), size)
        self.assertEqual(sizes, {}, "every bitmap is there")


class ButtonFaces(unittest.TestCase):
    def test_faces_are_light_opaque_in_a_rounded_outline_and_each_state_its_own(self):
        for bid in sum(BUTTON_SETS, ()):
            b = load(bid)
            for y, row in enumerate(b.rows):
                inner = [x for x, p in enumerate(row) if p != MAGENTA]
                self.assertTrue(inner and len(inner) == inner[-1] - inner[0] + 1, (bid, y))
                self.assertTrue(inner[0] <= 6 and inner[-1] >= b.width - 7, (bid, y))
                # edges blended with the skin, never with the transparent colour
                self.assertFalse([p for p in row if p != MAGENTA and p[0] - p[1] > 50 and p[2] - p[1] > 50])
            self.assertEqual({b.rows[y][x] for x in (0, b.width - 1) for y in (0, b.height - 1)}, {MAGENTA})
            self.assertNotIn(MAGENTA, b.rows[b.height // 2], bid)
            # the caption is drawn in the dark system text colour over the middle
            self.assertGreater(min(luma(p) for row in b.rows[5:-5] for p in row[10:-10]), 140, bid)

        def mean(b):
            return sum(luma(p) for row in b.rows[3:-3] for p in row[8:-8]) / (b.height - 6) / (b.width - 16)
        for ids in BUTTON_SETS:
            h, n, p = (load(i) for i in ids)
            self.assertTrue(h.rows != n.rows != p.rows != h.rows and mean(p) < mean(n), ids)
        grey, rim, blue = (load(i).rows[13] for i in (166, 167, 168))
        self.assertLess(max(grey[70]) - min(grey[70]), 12, "166 is grey")
        self.assertTrue(rim[70][2] - rim[70][0] > 25 and blue[70][2] - blue[70][0] > 25, "blue")
        self.assertTrue(all(luma(rim[x]) < luma(blue[x]) - 30 for x in (0, 1)), "167's rim is darker")


class ImageStrip(unittest.TestCase):
    def test_six_cells_three_pictures_and_their_greyed_copies(self):
        rows = load(169).rows
        self.assertTrue(all(row[120] == MAGENTA for row in rows), "spare column")
        cells = [sum((row[20 * i:20 * i + 20] for row in rows), []) for i in range(6)]
        for i, c in enumerate(cells):
            # a transparent margin left and right, so the list's 20-pixel split cuts no picture
            self.assertEqual({c[k] for k in range(480) if k % 20 in (0, 19)}, {MAGENTA}, i)
        for i in range(3):
            opaque = [p for p in cells[i] if p != MAGENTA]
            self.assertGreater(len(opaque), 60, "image %d is drawn" % i)
            self.assertTrue(any(max(p) - min(p) > 60 for p in opaque), "image %d has colour" % i)
            self.assertNotEqual(cells[i], cells[(i + 1) % 3])
            for src, grey in zip(cells[i], cells[i + 3]):
                self.assertEqual(src == MAGENTA, grey == MAGENTA, i)
                self.assertTrue(grey == MAGENTA or grey[0] == grey[1] == grey[2] >= luma(src) - 1, i)


class Backgrounds(unittest.TestCase):
    def test_separator_clip_area_page_margins_and_text_areas(self):
        sep, page, frame = load(136), load(163), load(129)
        self.assertEqual(len(sep.palette), 16)
        self.assertTrue(luma(sep.rows[0][0]) < 150 and luma(sep.rows[1][439]) > 235, "accent to paper")
        # under and around the clip (352..532 x 154..349) the page has the clip's colour
        self.assertEqual({page.rows[y][x] for y in range(156, 349, 4) for x in range(340, 545, 4)}, {SKY})
        # the pages sit on the frame at (27, 65) and (110, 107): their margins match it
        for b, (fx, fy), x in ((page, (27, 65), 3), (load(162), (110, 107), 1)):
            for y in range(0, b.height, 7):
                a, f = b.rows[y][x], frame.rows[fy + y][fx + x]
                self.assertLessEqual(max(abs(a[k] - f[k]) for k in range(3)), 2, (fx, y))
        # dark system-coloured text goes on these areas
        for bid, (x0, y0, x1, y1) in ((163, (180, 50, 630, 340)), (162, (110, 5, 530, 100)),
                                      (155, (50, 80, 450, 475)), (129, (10, 70, 660, 455))):
            r = load(bid).rows
            self.assertGreater(min(luma(r[y][x]) for y in range(y0, y1, 5) for x in range(x0, x1, 5)), 180)


class Icon(unittest.TestCase):
    def test_icon_has_16_32_48_with_alpha_and_mask(self):
        with open(os.path.join(ART, "hitched_128.ico"), "rb") as f:
            raw = f.read()
        self.assertEqual(struct.unpack_from("<HHH", raw, 0), (0, 1, 3))
        entries = [struct.unpack_from("<BBBBHHII", raw, 6 + 16 * i) for i in range(3)]
        self.assertEqual(sorted(e[0] for e in entries), [16, 32, 48])
        for w, h, _, _, planes, bpp, size, offset in entries:
            mask_stride = ((w + 31) // 32) * 4
            self.assertEqual((h, planes, bpp, size), (w, 1, 32, 40 + w * w * 4 + mask_stride * w))
            self.assertEqual(struct.unpack_from("<IiiHHI", raw, offset), (40, w, 2 * w, 1, 32, 0))
            alpha = raw[offset + 43:offset + 40 + w * w * 4:4]
            mask = raw[offset + 40 + w * w * 4:offset + size]
            # bottom-up: row 0 of the data is the bottom row
            self.assertEqual((alpha[0], alpha[w * w // 2 + w // 2]), (0, 255), "clear corner, opaque middle")
            for k in range(w * w):
                y, x = divmod(k, w)
                bit = mask[y * mask_stride + x // 8] >> (7 - x % 8) & 1
                self.assertEqual(bit, alpha[k] == 0, (w, k))


def riff_chunks(data, start, size):
    """(fourcc or list type, payload start, payload size) of the chunks in a range."""
    out, pos = [], start
    while pos + 8 <= start + size:
        cid, n = struct.unpack_from("<4sI", data, pos)
        listed = cid in (b"RIFF", b"LIST")
        out.append((data[pos + 8:pos + 12], pos + 12, n - 4) if listed else (cid, pos + 8, n))
        pos += 8 + n + (n & 1)
    return out, pos


class Clip(unittest.TestCase):
    def test_avi_structure_index_and_frames(self):
        with open(os.path.join(ART, "detectphone.pgr"), "rb") as f:
            d = f.read()
        top, end = riff_chunks(d, 0, len(d))
        self.assertEqual((end, d[:4], [c[0] for c in top]), (len(d), b"RIFF", [b"AVI "]))
        parts = riff_chunks(d, *top[0][1:])[0]
        hdrl, movi, idx = parts
        inner = riff_chunks(d, *hdrl[1:])[0]
        strl = riff_chunks(d, *inner[1][1:])[0]
        self.assertEqual([c[0] for c in parts + inner + strl],
                         [b"hdrl", b"movi", b"idx1", b"avih", b"strl", b"strh", b"strf"])
        us, _, _, flags, n, _, streams, _, width, height = struct.unpack_from("<10I", d, inner[0][1])
        strh = struct.unpack_from("<4s4sIHHIIIIIIIIhhhh", d, strl[0][1])
        self.assertTrue(10 <= n <= 20 and 50000 <= us <= 200000, (n, us))
        self.assertEqual((flags & 0x10, streams, width, height), (0x10, 1, 180, 176))
        self.assertEqual((strh[0], strh[1] in (b"DIB ", b"\0" * 4), strh[9], strh[6] * 1000000 // strh[7]),
                         (b"vids", True, n, us), "a video stream of plain bitmaps, one frame each frame time")
        strf = strl[1][1]
        self.assertEqual(struct.unpack_from("<IiiHHI", d, strf) + (strl[1][2],),
                         (40, 180, 176, 1, 8, 0, 40 + 4 * 256), "bottom-up, 8 bits, a whole palette")
        pal = [(d[strf + 42 + 4 * i], d[strf + 41 + 4 * i], d[strf + 40 + 4 * i]) for i in range(256)]
        frames = riff_chunks(d, *movi[1:])[0]
        self.assertEqual([(c, s) for c, _, s in frames] + [idx[2]], [(b"00db", 180 * 176)] * n + [16 * n])
        decoded = [None]
        for i, (_, at, _) in enumerate(frames):
            ckid, iflags, offset, size = struct.unpack_from("<4sIII", d, idx[1] + 16 * i)
            # a key frame each; offsets count from the 'movi' four-character code
            self.assertEqual((ckid, iflags & 0x10, size, movi[1] - 4 + offset),
                             (b"00db", 0x10, 180 * 176, at - 8))
            rows = [[pal[d[at + y * 180 + x]] for x in range(180)] for y in range(176)][::-1]
            self.assertNotEqual(rows, decoded[-1], "frame %d moves on" % i)
            self.assertTrue(Bmp(os.path.join(ART, "clip", "frame_%02d.bmp" % i)).rows == rows, i)
            decoded.append(rows)
        # the animation control takes the first frame's corner colour as the background
        self.assertEqual({decoded[1][y][x] for x in (0, 179) for y in (0, 175)}, {SKY})


TOPICS = ["welcome.htm", "connection_type.htm", "usb_cable.htm", "infrared.htm", "bluetooth.htm",
          "bluetooth_pairing.htm", "connected_phones.htm"]


class Help(unittest.TestCase):
    def test_compiled_file_holds_every_topic_intact_as_the_language_file_and_links_name_them(self):
        chm, chmls, src = os.environ["HELP_FILE"], os.environ["CHMLS"], os.environ["HELP_SRC"]
        with open(chm, "rb") as f:
            self.assertEqual(f.read(4), b"ITSF")
        listed = subprocess.run([chmls, "list", chm], capture_output=True, text=True, check=True)
        names = {p[3] for p in map(str.split, listed.stdout.splitlines()) if len(p) == 4 and p[0].isdigit()}
        wanted = TOPICS + ["help.css", "hitched.hhc", "hitched.hhk", "#SYSTEM"]
        self.assertLessEqual({"/" + t for t in wanted}, names)
        with open(os.environ["LANG_FILE"], encoding="utf-8-sig") as f:
            values = dict(re.findall(r"^\s*(\w+)\s*=(.*?)\s*$", f.read(), re.M))
        self.assertEqual(values["IDS_HELPDOCUMENT"], os.path.basename(chm))
        for key in ("CABLE", "IRDA", "BULETH", "WIZARD", "TYPE", "BTPAIR", "COMPL"):
            self.assertIn("/" + values["IDS_HELPDOC_" + key].lstrip("/"), names, key)
        with tempfile.TemporaryDirectory() as tmp:
            for t in TOPICS:
                subprocess.run([chmls, "extract", chm, "/" + t, os.path.join(tmp, t)], check=True,
                               capture_output=True)
                with open(os.path.join(tmp, t), "rb") as a, open(os.path.join(src, t), "rb") as b:
                    self.assertEqual(a.read(), b.read(), t)
        # links, contents and index point at topics
        for name in TOPICS + ["hitched.hhc", "hitched.hhk"]:
            with open(os.path.join(src, name), encoding="utf-8") as f:
                text = f.read()
            for t in re.findall(r'href="([^"#]+)', text) + re.findall(r'name="Local" value="([^"]+)"', text):
                self.assertIn(t, TOPICS + ["help.css"], "%s links to %s" % (name, t))
            for t in TOPICS if name == "hitched.hhc" else []:
                self.assertIn('value="%s"' % t, text, "contents lists %s" % t)


def scaled(n, percent):
    return (n * percent + 50) // 100


class Scales(unittest.TestCase):
    def test_every_bitmap_is_drawn_for_each_scale_and_compiled_in_under_its_id(self):
        with open(os.path.join(ART, "scaled_bitmaps.rc")) as f:
            lines = set(re.findall(r'^(\d+) BITMAP "art/(\d+)/(\w+\.bmp)"$', f.read(), re.M))
        self.assertEqual(len(lines), 3 * len(SIZES))
        for (step, percent), path in itertools.product(enumerate((125, 150, 200), 1),
                                                       glob.glob(os.path.join(ART, "*.bmp"))):
            bid, name = int(re.search(r"_(\d+)\.bmp$", path).group(1)), os.path.basename(path)
            self.assertIn((str(bid + 1000 * step), str(percent), name), lines)
            with open(os.path.join(ART, str(percent), name), "rb") as f:
                header = struct.unpack_from("<2s16xiiHH", f.read(30))  # no pixels: quick
            size = (6 * scaled(20, percent) + 1, scaled(24, percent)) if bid == 169 else \
                tuple(scaled(n, percent) for n in SIZES[bid])
            self.assertEqual(header, (b"BM",) + size + (1, 4 if bid == 136 else 24), path)

    def test_the_200_percent_art_is_the_same_picture_drawn_with_four_times_the_pixels(self):
        for bid in (135, 169, 166):
            small, big = load(bid), Bmp(os.path.join(ART, "200", os.path.basename(
                glob.glob(os.path.join(ART, "*_%d.bmp" % bid))[0])))
            diff, blocky, n = 0.0, 0, 0
            for y in range(small.height):
                for x in range(big.width // 2):  # the strip's spare column stays one wide
                    quad = [big.rows[2 * y + j][2 * x + i] for j in (0, 1) for i in (0, 1)]
                    if MAGENTA in quad or small.rows[y][x] == MAGENTA:
                        continue
                    mean = [sum(p[k] for p in quad) / 4.0 for k in range(3)]
                    diff += sum(abs(mean[k] - small.rows[y][x][k]) for k in range(3)) / 3.0
                    blocky += len(set(quad)) == 1 and quad[0] == small.rows[y][x]
                    n += 1
            # the same picture: two by two blocks average to the 100 % pixel...
            self.assertLess(diff / n, 8.0, bid)
            # ...but drawn anew, not the 100 % pixels doubled (flat areas repeat, edges do not)
            self.assertLess(blocky / n, 0.9, bid)


class Determinism(unittest.TestCase):
    def test_a_second_run_writes_the_same_bytes(self):
        # One scale keeps the test short: every scale is drawn by the same code, and 125 %
        # (1.25 pixels to the 100 % one) takes its every step.
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run([sys.executable, os.environ["ARTGEN"], tmp, "--scales", "125"],
                           check=True)
            produced = [os.path.relpath(os.path.join(root, name), tmp)
                        for root, _, files in os.walk(tmp) for name in files]
            self.assertGreater(len(produced), 17)
            for rel in sorted(produced):
                with open(os.path.join(tmp, rel), "rb") as a, open(os.path.join(ART, rel), "rb") as b:
                    self.assertEqual(a.read(), b.read(), rel)


if __name__ == "__main__":
    unittest.main()
