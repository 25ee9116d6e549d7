"""Checks the generated artwork, clip and help as the program and Windows will read them.

The files are parsed here with readers of their own (not the generator's writers), against
the sizes the dialogs expect. Environment: ART_DIR (the generated folder), HELP_FILE (the
compiled help), HELP_SRC (its sources), ARTGEN (the generator, for the determinism check),
CHMLS (the CHM lister), LANG_FILE (the language file; its help keys are checked when it
exists).
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

ART = os.environ.get("ART_DIR", "")
MAGENTA = (255, 0, 255)
SKY = (204, 221, 242)  # COLORREF 0xF2DDCC, the detect-cable page's animation background

# id: (file, width, height, bits per pixel)
BITMAPS = {
    129: ("bg_frame_129.bmp", 671, 508, 24),
    131: ("btn_normal_131.bmp", 97, 25, 24),
    132: ("btn_pressed_132.bmp", 97, 25, 24),
    135: ("btn_hover_135.bmp", 97, 25, 24),
    136: ("separator_136.bmp", 440, 2, 4),
    155: ("bg_troubleshoot_155.bmp", 491, 530, 24),
    156: ("btn_ts_hover_156.bmp", 75, 25, 24),
    157: ("btn_ts_normal_157.bmp", 75, 25, 24),
    158: ("btn_ts_pressed_158.bmp", 75, 25, 24),
    162: ("bg_welcome_162.bmp", 540, 299, 24),
    163: ("bg_page_163.bmp", 642, 349, 24),
    166: ("btn_bt_grey_166.bmp", 140, 26, 24),
    167: ("btn_bt_rim_167.bmp", 140, 26, 24),
    168: ("btn_bt_blue_168.bmp", 140, 26, 24),
    169: ("imagelist_169.bmp", 121, 24, 24),
}
# (hovered, normal, pressed) of each button set
BUTTON_SETS = [(135, 131, 132), (156, 157, 158), (168, 166, 167)]


def luma(c):
    return 0.30 * c[0] + 0.59 * c[1] + 0.11 * c[2]


class Bmp:
    """A BMP file decoded: header fields and pixels as rows of (r, g, b), top row first."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.raw = f.read()
        raw = self.raw
        self.magic, self.file_size, _, _, self.offset = struct.unpack_from("<2sIHHI", raw, 0)
        (self.info_size, self.width, self.height, self.planes, self.bpp, self.compression,
         self.image_size, _, _, self.colours_used, _) = struct.unpack_from("<IiiHHIIiiII", raw, 14)
        ncol = self.colours_used or (1 << self.bpp if self.bpp <= 8 else 0)
        self.palette = [(raw[54 + 4 * i + 2], raw[54 + 4 * i + 1], raw[54 + 4 * i])
                        for i in range(ncol)]
        self.stride = ((self.width * self.bpp + 31) // 32) * 4
        h = abs(self.height)
        self.rows = []
        self.padding = b""
        for r in range(h):
            start = self.offset + r * self.stride
            line = raw[start:start + self.stride]
            used = (self.width * self.bpp + 7) // 8
            self.padding += line[used:]
            px = []
            for x in range(self.width):
                if self.bpp == 24:
                    b, g, rr = line[3 * x:3 * x + 3]
                    px.append((rr, g, b))
                elif self.bpp == 8:
                    px.append(self.palette[line[x]])
                elif self.bpp == 4:
                    v = line[x // 2]
                    px.append(self.palette[(v >> 4) if x % 2 == 0 else (v & 15)])
            self.rows.append(px)
        if self.height > 0:
            self.rows.reverse()

    def px(self, x, y):
        return self.rows[y][x]


def load(bitmap_id):
    return Bmp(os.path.join(ART, BITMAPS[bitmap_id][0]))


class BitmapHeaders(unittest.TestCase):
    def test_every_bitmap_has_its_size_depth_and_layout(self):
        for bid, (name, w, h, bpp) in BITMAPS.items():
            with self.subTest(bitmap=bid):
                b = Bmp(os.path.join(ART, name))
                self.assertEqual(b.magic, b"BM")
                self.assertEqual(b.file_size, len(b.raw))
                self.assertEqual(b.info_size, 40)
                self.assertEqual((b.width, b.height), (w, h), "size, and bottom-up (height > 0)")
                self.assertEqual((b.planes, b.bpp, b.compression), (1, bpp, 0))
                self.assertEqual(b.stride % 4, 0)
                self.assertEqual(b.image_size, b.stride * h)
                self.assertEqual(b.offset, 14 + 40 + 4 * len(b.palette))
                self.assertEqual(len(b.raw), b.offset + b.stride * h, "no data missing or left over")
                self.assertEqual(b.padding, b"\0" * len(b.padding), "row padding is zero")

    def test_odd_widths_are_padded(self):
        # 97 * 3 = 291 bytes of pixels per row: the writer must pad to 292
        self.assertEqual(load(131).stride, 292)
        self.assertEqual(load(155).stride, 1476)


class ButtonFaces(unittest.TestCase):
    def test_corners_are_transparent_and_middle_is_opaque(self):
        for ids in BUTTON_SETS:
            for bid in ids:
                with self.subTest(bitmap=bid):
                    b = load(bid)
                    w, h = b.width, b.height
                    for x, y in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
                        self.assertEqual(b.px(x, y), MAGENTA, (x, y))
                    self.assertNotEqual(b.px(w // 2, h // 2), MAGENTA)

    def test_magenta_only_outside_the_outline(self):
        # each row: magenta, if any, runs in from the left and right edges only, and only
        # near the rounded corners
        for ids in BUTTON_SETS:
            for bid in ids:
                with self.subTest(bitmap=bid):
                    b = load(bid)
                    for y, row in enumerate(b.rows):
                        inner = [x for x, p in enumerate(row) if p != MAGENTA]
                        self.assertTrue(inner, "row %d is all magenta" % y)
                        lo, hi = inner[0], inner[-1]
                        self.assertEqual(len(inner), hi - lo + 1, "hole in row %d" % y)
                        self.assertLessEqual(lo, 6)
                        self.assertGreaterEqual(hi, b.width - 7)
                    self.assertTrue(all(p != MAGENTA for p in b.rows[b.height // 2]))

    def test_no_pink_fringe(self):
        # edge pixels must be blended with the skin, never with the transparent colour
        for ids in BUTTON_SETS:
            for bid in ids:
                with self.subTest(bitmap=bid):
                    for row in load(bid).rows:
                        for p in row:
                            if p != MAGENTA:
                                self.assertFalse(p[0] - p[1] > 50 and p[2] - p[1] > 50, p)

    def test_captions_stay_readable(self):
        # the caption is drawn in the dark system text colour over the face's middle
        for ids in BUTTON_SETS:
            for bid in ids:
                with self.subTest(bitmap=bid):
                    b = load(bid)
                    mid = [b.px(x, y) for y in range(5, b.height - 5)
                           for x in range(10, b.width - 10)]
                    self.assertGreater(min(luma(p) for p in mid), 140)

    def test_states_differ_and_pressed_is_darker(self):
        for hovered, normal, pressed in BUTTON_SETS:
            with self.subTest(set=normal):
                h, n, p = load(hovered), load(normal), load(pressed)
                self.assertNotEqual(h.rows, n.rows)
                self.assertNotEqual(p.rows, n.rows)
                self.assertNotEqual(h.rows, p.rows)

                def mean(b):
                    pts = [b.px(x, y) for y in range(3, b.height - 3) for x in range(8, b.width - 8)]
                    return sum(luma(q) for q in pts) / len(pts)
                self.assertLess(mean(p), mean(n))

    def test_bluetooth_faces_are_grey_and_blue(self):
        grey, rim, blue = load(166), load(167), load(168)
        g = grey.px(70, 13)
        self.assertLess(max(g) - min(g), 12, "166 is grey")
        for b in (rim, blue):
            c = b.px(70, 13)
            self.assertGreater(c[2] - c[0], 25, "167 and 168 are blue")
        # 167's rim is darker than 168's
        self.assertLess(luma(rim.px(0, 13)), luma(blue.px(0, 13)) - 30)
        self.assertLess(luma(rim.px(1, 13)), luma(blue.px(1, 13)) - 30)


class ImageStrip(unittest.TestCase):
    def setUp(self):
        self.b = load(169)

    def cell(self, i):
        return [row[20 * i:20 * i + 20] for row in self.b.rows]

    def test_spare_column_and_cell_corners_are_transparent(self):
        self.assertTrue(all(row[120] == MAGENTA for row in self.b.rows))
        for i in range(6):
            c = self.cell(i)
            for x, y in ((0, 0), (19, 0), (0, 23), (19, 23)):
                self.assertEqual(c[y][x], MAGENTA, (i, x, y))

    def test_images_stay_inside_their_cells(self):
        # a one-pixel transparent margin on the left and right of every cell, so the image
        # list's 20-pixel split never cuts a picture
        for i in range(6):
            c = self.cell(i)
            self.assertTrue(all(row[0] == MAGENTA and row[19] == MAGENTA for row in c), i)

    def test_three_different_pictures_in_colour(self):
        cells = [self.cell(i) for i in range(3)]
        for i, c in enumerate(cells):
            opaque = [p for row in c for p in row if p != MAGENTA]
            self.assertGreater(len(opaque), 60, "image %d is drawn" % i)
            self.assertTrue(any(max(p) - min(p) > 60 for p in opaque), "image %d has colour" % i)
        self.assertNotEqual(cells[0], cells[1])
        self.assertNotEqual(cells[1], cells[2])

    def test_images_3_to_5_are_greyed_copies_of_0_to_2(self):
        for i in range(3):
            src, grey = self.cell(i), self.cell(i + 3)
            for y in range(24):
                for x in range(20):
                    s, g = src[y][x], grey[y][x]
                    self.assertEqual(s == MAGENTA, g == MAGENTA, (i, x, y))
                    if g != MAGENTA:
                        self.assertTrue(g[0] == g[1] == g[2], "grey at %s" % ((i, x, y),))
                        self.assertGreaterEqual(g[0], luma(s) - 1, "lighter at %s" % ((i, x, y),))


class Backgrounds(unittest.TestCase):
    def test_separator_fades_from_accent_to_paper(self):
        b = load(136)
        self.assertEqual(len(b.palette), 16)
        left, right = b.px(0, 0), b.px(439, 1)
        self.assertLess(luma(left), 150)
        self.assertGreater(luma(right), 235)

    def test_clip_area_of_the_pages_is_the_animation_colour(self):
        # the clip's background is painted in 0xF2DDCC; the page around and under it must
        # be that colour too (352..532 x 154..349 on the page bitmap)
        b = load(163)
        for y in range(156, 349, 4):
            for x in range(340, 545, 4):
                self.assertEqual(b.px(x, y), SKY, (x, y))

    def test_pages_continue_the_frame_body(self):
        # pages sit on the frame at (27, 65) and (110, 107): their margins match the frame
        frame = load(129)
        for bid, (fx, fy), x in ((163, (27, 65), 3), (162, (110, 107), 1)):
            page = load(bid)
            for y in range(0, page.height, 7):
                a, b = page.px(x, y), frame.px(fx + x, fy + y)
                self.assertLessEqual(max(abs(a[k] - b[k]) for k in range(3)), 2, (bid, y))

    def test_text_areas_are_light(self):
        # dark system-coloured text goes on these areas
        for bid, box in ((163, (180, 50, 630, 340)), (162, (110, 5, 530, 100)),
                         (155, (50, 80, 450, 475)), (129, (10, 70, 660, 455))):
            b = load(bid)
            x0, y0, x1, y1 = box
            worst = min(luma(b.px(x, y)) for y in range(y0, y1, 5) for x in range(x0, x1, 5))
            self.assertGreater(worst, 180, bid)


class Icon(unittest.TestCase):
    def test_icon_has_16_32_48_with_alpha_and_mask(self):
        with open(os.path.join(ART, "hitched_128.ico"), "rb") as f:
            raw = f.read()
        reserved, kind, count = struct.unpack_from("<HHH", raw, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 3))
        sizes = []
        for i in range(count):
            w, h, colours, _, planes, bpp, size, offset = struct.unpack_from("<BBBBHHII", raw, 6 + 16 * i)
            sizes.append(w)
            self.assertEqual((w, h, planes, bpp), (w, w, 1, 32))
            self.assertLessEqual(offset + size, len(raw))
            hdr = struct.unpack_from("<IiiHHI", raw, offset)
            self.assertEqual(hdr, (40, w, 2 * w, 1, 32, 0))
            mask_stride = ((w + 31) // 32) * 4
            self.assertEqual(size, 40 + w * w * 4 + mask_stride * w)
            xor = raw[offset + 40:offset + 40 + w * w * 4]
            mask = raw[offset + 40 + w * w * 4:offset + size]
            alpha = [xor[4 * k + 3] for k in range(w * w)]
            # bottom-up: row 0 of the data is the bottom row
            self.assertEqual(alpha[0], 0, "corners clear")
            self.assertEqual(alpha[w * w // 2 + w // 2], 255, "middle opaque")
            for k in range(w * w):
                y, x = divmod(k, w)
                bit = (mask[y * mask_stride + x // 8] >> (7 - x % 8)) & 1
                self.assertEqual(bit, 1 if alpha[k] == 0 else 0, (w, x, y))
        self.assertEqual(sorted(sizes), [16, 32, 48])


def riff_chunks(data, start, end):
    """(fourcc, list type or None, payload start, payload size) of the chunks in a range."""
    out = []
    pos = start
    while pos + 8 <= end:
        cid, size = struct.unpack_from("<4sI", data, pos)
        if cid in (b"RIFF", b"LIST"):
            out.append((cid, data[pos + 8:pos + 12], pos + 12, size - 4))
        else:
            out.append((cid, None, pos + 8, size))
        pos += 8 + size + (size & 1)
    return out, pos


class Clip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(os.path.join(ART, "detectphone.pgr"), "rb") as f:
            cls.data = f.read()

    def structure(self):
        d = self.data
        top, end = riff_chunks(d, 0, len(d))
        self.assertEqual(end, len(d), "the RIFF chunk spans the file")
        self.assertEqual(len(top), 1)
        cid, kind, start, size = top[0]
        self.assertEqual((cid, kind), (b"RIFF", b"AVI "))
        parts, _ = riff_chunks(d, start, start + size)
        names = [(c, k) for c, k, _, _ in parts]
        self.assertEqual(names, [(b"LIST", b"hdrl"), (b"LIST", b"movi"), (b"idx1", None)])
        return parts

    def headers(self):
        d = self.data
        hdrl = self.structure()[0]
        inner, _ = riff_chunks(d, hdrl[2], hdrl[2] + hdrl[3])
        self.assertEqual([(c, k) for c, k, _, _ in inner], [(b"avih", None), (b"LIST", b"strl")])
        avih = struct.unpack_from("<10I", d, inner[0][2])
        strl, _ = riff_chunks(d, inner[1][2], inner[1][2] + inner[1][3])
        self.assertEqual([c for c, _, _, _ in strl], [b"strh", b"strf"])
        strh = struct.unpack_from("<4s4sIHHIIIIIIIIhhhh", d, strl[0][2])
        strf_at, strf_size = strl[1][2], strl[1][3]
        return avih, strh, strf_at, strf_size

    def test_headers(self):
        avih, strh, strf_at, strf_size = self.headers()
        (us, _, _, flags, frames, _, streams, _, width, height) = avih
        self.assertTrue(10 <= frames <= 20, frames)
        self.assertTrue(50000 <= us <= 200000, us)
        self.assertTrue(flags & 0x10, "has an index")
        self.assertEqual(streams, 1)
        self.assertEqual((width, height), (180, 176))
        self.assertEqual(strh[0], b"vids")
        self.assertIn(strh[1], (b"DIB ", b"\0\0\0\0"))
        self.assertEqual(strh[9], frames, "stream length")
        self.assertEqual(strh[6] * 1000000 // strh[7], us, "scale / rate = frame time")
        bih = struct.unpack_from("<IiiHHIIiiII", self.data, strf_at)
        self.assertEqual(bih[:6], (40, 180, 176, 1, 8, 0), "bottom-up (height > 0), 8 bpp, BI_RGB")
        self.assertEqual(strf_size, 40 + 4 * 256)

    def frames(self):
        avih, _, strf_at, _ = self.headers()
        d = self.data
        pal = [(d[strf_at + 40 + 4 * i + 2], d[strf_at + 40 + 4 * i + 1], d[strf_at + 40 + 4 * i])
               for i in range(256)]
        movi = self.structure()[1]
        chunks, _ = riff_chunks(d, movi[2], movi[2] + movi[3])
        return avih, movi, chunks, pal

    def test_movi_and_index(self):
        avih, movi, chunks, _ = self.frames()
        n = avih[4]
        self.assertEqual(len(chunks), n)
        for cid, _, _, size in chunks:
            self.assertEqual((cid, size), (b"00db", 180 * 176))
        idx = self.structure()[2]
        self.assertEqual(idx[3], 16 * n)
        movi_fourcc = movi[2] - 4
        for i in range(n):
            ckid, flags, offset, size = struct.unpack_from("<4sIII", self.data, idx[2] + 16 * i)
            self.assertEqual((ckid, size), (b"00db", 180 * 176))
            self.assertTrue(flags & 0x10, "key frame")
            # offsets count from the 'movi' four-character code
            self.assertEqual(movi_fourcc + offset, chunks[i][2] - 8)

    def decode(self, i):
        _, _, chunks, pal = self.frames()
        at = chunks[i][2]
        rows = [[pal[self.data[at + y * 180 + x]] for x in range(180)] for y in range(176)]
        rows.reverse()
        return rows

    def test_background_is_the_animation_colour(self):
        # the animation control takes the first frame's corner colour as the background
        first = self.decode(0)
        for x, y in ((0, 0), (179, 0), (0, 175), (179, 175)):
            self.assertEqual(first[y][x], SKY)

    def test_it_moves_and_the_frame_bitmaps_match(self):
        avih = self.headers()[0]
        frames = [self.decode(i) for i in range(avih[4])]
        for i in range(1, len(frames)):
            self.assertTrue(frames[i] != frames[i - 1], "frame %d moves on" % i)
        for i, f in enumerate(frames):
            bmp = Bmp(os.path.join(ART, "clip", "frame_%02d.bmp" % i))
            self.assertTrue(bmp.rows == f, "frame %d" % i)


def chm_list(path):
    out = subprocess.run([os.environ["CHMLS"], "list", path], capture_output=True, text=True,
                         check=True).stdout
    names = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 4 and parts[0].isdigit():
            names.add(parts[3])
    return names


TOPICS = ["welcome.htm", "connection_type.htm", "usb_cable.htm", "infrared.htm", "bluetooth.htm",
          "bluetooth_pairing.htm", "connected_phones.htm"]


def read_lang(path):
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xff\xfe"):
        text = raw[2:].decode("utf-16-le")
    else:
        text = raw.decode("utf-8-sig", errors="replace")
    values = {}
    for line in text.splitlines():
        m = re.match(r"\s*([A-Za-z0-9_]+)\s*=(.*)$", line)
        if m:
            values.setdefault(m.group(1), m.group(2).strip())
    return values


class Help(unittest.TestCase):
    def setUp(self):
        self.chm = os.environ["HELP_FILE"]
        self.src = os.environ["HELP_SRC"]

    def test_compiled_file_holds_every_topic_intact(self):
        with open(self.chm, "rb") as f:
            self.assertEqual(f.read(4), b"ITSF")
        names = chm_list(self.chm)
        for t in TOPICS + ["help.css", "hitched.hhc", "hitched.hhk"]:
            self.assertIn("/" + t, names)
        self.assertIn("/#SYSTEM", names)
        with tempfile.TemporaryDirectory() as tmp:
            for t in TOPICS:
                out = os.path.join(tmp, t)
                subprocess.run([os.environ["CHMLS"], "extract", self.chm, "/" + t, out],
                               check=True, capture_output=True)
                with open(out, "rb") as a, open(os.path.join(self.src, t), "rb") as b:
                    self.assertEqual(a.read(), b.read(), t)

    def test_links_contents_and_index_point_at_topics(self):
        for name in TOPICS + ["hitched.hhc", "hitched.hhk"]:
            with open(os.path.join(self.src, name), encoding="utf-8") as f:
                text = f.read()
            targets = re.findall(r'href="([^"#]+)', text) + re.findall(r'name="Local" value="([^"]+)"', text)
            for t in targets:
                self.assertIn(t, TOPICS + ["help.css"], "%s links to %s" % (name, t))
        with open(os.path.join(self.src, "hitched.hhc"), encoding="utf-8") as f:
            hhc = f.read()
        for t in TOPICS:
            self.assertIn('value="%s"' % t, hhc, "contents lists %s" % t)

    def test_language_file_names_this_file_and_its_topics(self):
        lang = os.environ.get("LANG_FILE", "")
        if not lang or not os.path.exists(lang):
            self.skipTest("no language file yet")
        values = read_lang(lang)
        self.assertEqual(values.get("IDS_HELPDOCUMENT"), os.path.basename(self.chm))
        names = chm_list(self.chm)
        for key in ("IDS_HELPDOC_CABLE", "IDS_HELPDOC_IRDA", "IDS_HELPDOC_BULETH",
                    "IDS_HELPDOC_WIZARD", "IDS_HELPDOC_TYPE", "IDS_HELPDOC_BTPAIR",
                    "IDS_HELPDOC_COMPL"):
            self.assertIn(key, values)
            self.assertIn("/" + values[key].lstrip("/"), names, key)


class Determinism(unittest.TestCase):
    def test_a_second_run_writes_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run([sys.executable, os.environ["ARTGEN"], tmp], check=True)
            produced = []
            for root, _, files in os.walk(tmp):
                for name in files:
                    produced.append(os.path.relpath(os.path.join(root, name), tmp))
            self.assertGreater(len(produced), 17)
            for rel in sorted(produced):
                with open(os.path.join(tmp, rel), "rb") as a, open(os.path.join(ART, rel), "rb") as b:
                    self.assertEqual(a.read(), b.read(), rel)


if __name__ == "__main__":
    unittest.main()
