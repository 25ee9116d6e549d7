#!/usr/bin/env python3
"""Renders a contact sheet of the generated artwork with ImageMagick, for people to look at:
every bitmap at its own size (the small ones enlarged), the clip's frames, and mock-ups of
the wizard that put the pieces where the dialogs put them (dialog units times 1.5 across
and 1.625 down), with stand-in texts.

    preview.py ARTDIR OUT.png
"""

import os
import subprocess
import sys
import tempfile

FONT = "DejaVu-Sans"
TITLE_FONT = "DejaVu-Sans-Bold"


def run(args):
    subprocess.run(args, check=True)


def dlu(x, y):
    return int(x * 1.5 + 0.5), int(y * 1.625 + 0.5)


class Mockup:
    """Builds one ImageMagick command that composites pieces onto a base picture."""

    def __init__(self, art, base, size=None):
        self.art = art
        self.args = ["convert", os.path.join(art, base)]
        if size:
            self.args += ["-resize", "%dx%d!" % size]

    def image(self, name, x, y, size=None, transparent=False, crop=None):
        self.args += ["(", os.path.join(self.art, name)]
        if crop:
            self.args += ["-crop", "%dx%d+%d+%d" % crop, "+repage"]
        if transparent:
            self.args += ["-transparent", "#FF00FF"]
        if size:
            self.args += ["-resize", "%dx%d!" % size]
        self.args += [")", "-geometry", "+%d+%d" % (x, y), "-composite"]

    def text(self, s, x, y, w, size=11, font=FONT, colour="#1E2634", gravity=None):
        if not s:
            return
        # caption: wraps inside the given width, like a static control
        self.args += ["(", "-background", "none", "-fill", colour, "-font", font,
                      "-pointsize", str(size), "-size", "%dx" % w]
        if gravity:
            self.args += ["-gravity", gravity]
        self.args += ["caption:" + s, ")", "-gravity", "NorthWest", "-geometry",
                      "+%d+%d" % (x, y), "-composite"]

    def button(self, face, caption, x, y, w, h, disabled=False):
        self.image(face, x, y, (w, h), transparent=True)
        colour = "#A0A8B4" if disabled else "#101820"
        self.text(caption, x, y + (h - 14) // 2, w, 11, colour=colour, gravity="North")

    def box(self, x, y, w, h, fill="white", stroke="#7F9DB9"):
        self.args += ["-fill", fill, "-stroke", stroke, "-draw",
                      "rectangle %d,%d %d,%d" % (x, y, x + w - 1, y + h - 1), "-stroke", "none"]

    def save(self, out):
        run(self.args + [out])


def frame(art, page_base, page_size, page_pos):
    m = Mockup(art, "bg_frame_129.bmp")
    m.image(page_base, page_pos[0], page_pos[1], page_size)
    for face, caption, x, disabled in (("btn_normal_131.bmp", "Help", 47, False),
                                       ("btn_normal_131.bmp", "< Previous", 214, True),
                                       ("btn_hover_135.bmp", "Next >", 287, False),
                                       ("btn_normal_131.bmp", "Cancel", 360, False)):
        bx, by = dlu(x, 293)
        m.button(face, caption, bx, by, 102, 26, disabled)
    return m


def page_texts(m, origin, title, statement, sep_y=48):
    ox, oy = origin
    x, y = dlu(118, 34)
    m.text(title, ox + x, oy + y, 440, 15, TITLE_FONT, "#14305A")
    x, y = dlu(120, sep_y)
    m.image("separator_136.bmp", ox + x, oy + y)
    x, y = dlu(118, 57)
    m.text(statement, ox + x, oy + y, 440, 11)


def mock_detect(art, out):
    page = dlu(18, 40)
    m = frame(art, "bg_page_163.bmp", (643, 349), page)
    page_texts(m, page, "Connect your phone with the cable",
               "Plug the USB cable into the computer and into your phone. The wizard "
               "finds the phone by itself; this can take a few seconds.")
    x, y = dlu(235, 95)
    m.image(os.path.join("clip", "frame_12.bmp"), page[0] + x, page[1] + y)
    m.save(out)


def mock_welcome(art, out):
    page = dlu(73, 66)
    m = frame(art, "bg_welcome_162.bmp", (540, 299), page)
    x, y = dlu(73, 8)
    m.text("Welcome to the connection wizard", page[0] + x, page[1] + y, 440, 15, TITLE_FONT,
           "#14305A")
    x, y = dlu(75, 22)
    m.image("separator_136.bmp", page[0] + x, page[1] + y)
    x, y = dlu(73, 31)
    m.text("This wizard helps you connect your mobile phone to this computer by USB "
           "cable, infrared or Bluetooth.", page[0] + x, page[1] + y, 438, 11)
    x, y = dlu(74, 137)
    m.text("Click Next to continue.", page[0] + x, page[1] + y, 438, 11)
    x, y = dlu(75, 166)
    m.box(page[0] + x, page[1] + y + 1, 13, 13)
    m.text("Do not show this page again", page[0] + x + 18, page[1] + y, 300, 11)
    m.save(out)


def mock_bluetooth(art, out):
    page = dlu(18, 40)
    m = frame(art, "bg_page_163.bmp", (643, 349), page)
    page_texts(m, page, "Search and select your phone", "", sep_y=45)
    x, y = dlu(118, 72)
    w, h = dlu(196, 111)
    m.box(page[0] + x, page[1] + y, w, h)
    for i, (name, icons) in enumerate((("Ostra X200", (1, 2)), ("Office headset", ()),
                                       ("Ostra K5", (2,)))):
        ry = page[1] + y + 3 + i * 26
        m.image("imagelist_169.bmp", page[0] + x + 3, ry, None, True, (20, 24, 0, 0))
        m.text(name, page[0] + x + 28, ry + 5, 200, 11)
        for icon in icons:  # connected and paired columns, 25 px each at the right
            ix = page[0] + x + w - 80 + 25 * (icon - 1) + 28
            m.image("imagelist_169.bmp", ix, ry, None, True, (20, 24, 20 * icon, 0))
    bx, by = dlu(320, 72)
    m.button("btn_bt_grey_166.bmp", "Search for more...", page[0] + bx, page[1] + by, 140, 26)
    bx, by = dlu(320, 97)
    m.button("btn_bt_blue_168.bmp", "cancel paired", page[0] + bx, page[1] + by, 140, 26)
    m.save(out)


def mock_troubleshoot(art, out):
    m = Mockup(art, "bg_troubleshoot_155.bmp")
    x, y = dlu(34, 22)
    m.text("USB cable connection", x, y + 4, 400, 16, "DejaVu-Sans", "#14305A")
    x, y = dlu(34, 50)
    m.text("1. Make sure the cable is plugged in firmly at both ends.\n\n"
           "2. Unlock the phone and choose the PC connection mode if it asks.\n\n"
           "3. Try another USB port on the computer.", x + 6, y + 4, 380, 11)
    for face, caption, bx, by in (("btn_ts_normal_157.bmp", "Help", 59, 299),
                                  ("btn_ts_hover_156.bmp", "OK", 228, 300)):
        px, py = dlu(bx, by)
        m.button(face, caption, px, py, 75, 26)
    m.save(out)


def sheet_row(art, names, out, zoom, label="%f  %wx%h", tile=None):
    """One row of a contact sheet: the files enlarged without smoothing, labelled."""
    args = ["montage", "-label", label] + [os.path.join(art, n) for n in names]
    args += ["-filter", "point", "-resize", "%d%%" % zoom, "-geometry", "+14+10",
             "-background", BACKGROUND, "-fill", "white", "-font", FONT, "-pointsize", "12"]
    if tile:
        args += ["-tile", tile]
    run(args + [out])


BACKGROUND = "#5B6372"


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: preview.py ARTDIR OUT.png\n")
        return 2
    art, out = argv[1], argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        def t(name):
            return os.path.join(tmp, name)
        mock_welcome(art, t("m1.png"))
        mock_detect(art, t("m2.png"))
        mock_bluetooth(art, t("m3.png"))
        mock_troubleshoot(art, t("m4.png"))
        run(["montage", t("m1.png"), t("m2.png"), t("m3.png"), t("m4.png"), "-tile", "4x",
             "-geometry", "+10+10", "-background", BACKGROUND, t("mockups.png")])
        rows = [t("mockups.png")]
        sheet_row(art, ["bg_frame_129.bmp", "bg_page_163.bmp", "bg_welcome_162.bmp",
                        "bg_troubleshoot_155.bmp"], t("big.png"), 100)
        rows.append(t("big.png"))
        for i, names in enumerate((["btn_hover_135.bmp", "btn_normal_131.bmp", "btn_pressed_132.bmp"],
                                   ["btn_ts_hover_156.bmp", "btn_ts_normal_157.bmp",
                                    "btn_ts_pressed_158.bmp"],
                                   ["btn_bt_blue_168.bmp", "btn_bt_grey_166.bmp",
                                    "btn_bt_rim_167.bmp"])):
            sheet_row(art, names, t("buttons%d.png" % i), 300)
            rows.append(t("buttons%d.png" % i))
        sheet_row(art, ["imagelist_169.bmp"], t("strip.png"), 500)
        sheet_row(art, ["hitched_128.ico[2]", "hitched_128.ico[1]", "hitched_128.ico[0]"],
                  t("icons.png"), 300, "icon %wx%h")
        run(["convert", t("strip.png"), t("icons.png"), "-background", BACKGROUND, "+append",
             t("smalls.png")])
        rows.append(t("smalls.png"))
        run(["convert", os.path.join(art, "separator_136.bmp"), "-filter", "point", "-resize",
             "200%x600%", "-bordercolor", BACKGROUND, "-border", "14x10", "(", "-size", "x18",
             "-background", BACKGROUND, "-fill", "white", "-font", FONT, "-pointsize", "12",
             "label:separator_136.bmp  440x2, 4 bpp (shown 2x across, 6x down)", ")",
             "-gravity", "center", "-append", t("sep.png")])
        rows.append(t("sep.png"))
        frames = sorted(os.listdir(os.path.join(art, "clip")))
        run(["montage", "-label", "%t"] + [os.path.join(art, "clip", f) for f in frames] +
            ["-tile", "8x", "-geometry", "+6+6", "-background", BACKGROUND, "-fill", "white",
             "-font", FONT, "-pointsize", "11", t("clip.png")])
        rows.append(t("clip.png"))
        run(["convert", "-background", BACKGROUND] + rows +
            ["-gravity", "center", "-append", "+repage", "-strip", "-depth", "8", out])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
