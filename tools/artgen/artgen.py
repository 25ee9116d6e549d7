#!/usr/bin/env python3
"""Writes the wizard's artwork into one folder: every bitmap resource at each display scale
(125, 150 and 200 % in subfolders, with the resource script lines that compile them in), the
icon, the detect-cable clip and (for the tests) the clip's frames as bitmaps.

    artgen.py OUTDIR [--scales 100,125,...]   (all four scales by default)

Standard library only; the same bytes on every run.
"""

import multiprocessing
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import artwork  # noqa: E402
import clip  # noqa: E402
import fileformats as ff  # noqa: E402
import palette as P  # noqa: E402

FRAME_BUTTON = (97, 25)
TROUBLESHOOT_BUTTON = (75, 25)
BLUETOOTH_BUTTON = (140, 26)  # 93 x 16 dialog units

# Every bitmap is drawn for each display scale the program picks from; 100 % keeps the
# resource ids of the dialogs, the others follow at a step of 1000 per scale (125 % is
# 1129, 1131... 200 % is 3129...), which is how the program finds them.
SCALES = (100, 125, 150, 200)
ID_STEP = 1000


def _face(size, style, backdrop, scale):
    return ff.bmp24(artwork.button_face(size[0], size[1], style, backdrop, scale))


def _bmp24(draw, scale):
    return ff.bmp24(draw(scale))


def _separator(scale):
    rows, pal = artwork.separator_136(scale)
    return ff.bmp_indexed(rows, pal, 4)


# (file name, function, arguments before the scale), in id order.
BITMAPS = [
    ("bg_frame_129.bmp", _bmp24, (artwork.frame_129,)),
    ("btn_normal_131.bmp", _face, (FRAME_BUTTON, "normal", P.FOOTER)),
    ("btn_pressed_132.bmp", _face, (FRAME_BUTTON, "pressed", P.FOOTER)),
    ("btn_hover_135.bmp", _face, (FRAME_BUTTON, "hover", P.FOOTER)),
    ("separator_136.bmp", _separator, ()),
    ("bg_troubleshoot_155.bmp", _bmp24, (artwork.troubleshoot_155,)),
    ("btn_ts_hover_156.bmp", _face, (TROUBLESHOOT_BUTTON, "hover", P.PAPER)),
    ("btn_ts_normal_157.bmp", _face, (TROUBLESHOOT_BUTTON, "normal", P.PAPER)),
    ("btn_ts_pressed_158.bmp", _face, (TROUBLESHOOT_BUTTON, "pressed", P.PAPER)),
    ("bg_welcome_162.bmp", _bmp24, (artwork.welcome_162,)),
    ("bg_page_163.bmp", _bmp24, (artwork.page_163,)),
    ("btn_bt_grey_166.bmp", _face, (BLUETOOTH_BUTTON, "grey", P.SKY_LIGHT)),
    ("btn_bt_rim_167.bmp", _face, (BLUETOOTH_BUTTON, "blue_rim", P.SKY_LIGHT)),
    ("btn_bt_blue_168.bmp", _face, (BLUETOOTH_BUTTON, "blue", P.SKY_LIGHT)),
    ("imagelist_169.bmp", _bmp24, (artwork.imagelist_169,)),
]


def scale_folder(percent):
    """Where the bitmaps of a scale go, relative to OUTDIR: 100 % in OUTDIR itself."""
    return "" if percent == 100 else str(percent)


def resource_id(name, percent):
    return int(name.rsplit("_", 1)[1].split(".")[0]) + ID_STEP * SCALES.index(percent)


def _render(job):
    name, percent = job
    _, draw, args = next(b for b in BITMAPS if b[0] == name)
    return os.path.join(scale_folder(percent), name), draw(*args, percent / 100.0)


def bitmaps(scales=SCALES):
    """(file name, contents) of every bitmap of the given scales; the work is shared among
    the processors (about 9 times the pixels of the 100 % set in all)."""
    jobs = [(name, percent) for percent in scales for name, _, _ in BITMAPS]
    # the biggest pictures first, so that no processor is left with one at the end
    jobs.sort(key=lambda j: -j[1])
    with multiprocessing.Pool(min(len(jobs), os.cpu_count() or 1)) as pool:
        return pool.map(_render, jobs)


def scaled_resources(scales=SCALES):
    """The resource script lines of the bitmaps beyond 100 %, included by hitched.rc."""
    lines = ["// Written by artgen.py: the bitmaps of every display scale beyond 100 %.\n"]
    for percent in scales:
        if percent != 100:
            for name, _, _ in BITMAPS:
                lines.append('%d BITMAP "art/%s/%s"\n' % (resource_id(name, percent),
                                                            scale_folder(percent), name))
    return "".join(lines).encode("ascii")


def clip_files():
    frames = clip.frames()
    pal, indexed = ff.quantize(frames, P.SKY)
    files = [("detectphone.pgr", ff.avi8(indexed, pal, clip.FRAME_US))]
    for i, f in enumerate(indexed):
        files.append((os.path.join("clip", "frame_%02d.bmp" % i), ff.bmp_indexed(f, pal, 8)))
    return files


def write(path, data):
    # Always rewritten (the build compares time stamps); never left half written.
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv):
    scales = SCALES
    if len(argv) == 4 and argv[2] == "--scales":
        scales = tuple(int(p) for p in argv[3].split(","))
    if len(argv) not in (2, 4) or not set(scales) <= set(SCALES):
        sys.stderr.write("usage: artgen.py OUTDIR [--scales 100,125,150,200]\n")
        return 2
    out = argv[1]
    for folder in ["clip"] + [scale_folder(p) for p in scales if p != 100]:
        os.makedirs(os.path.join(out, folder), exist_ok=True)
    files = bitmaps(scales) + [("hitched_128.ico", ff.ico(artwork.icon_128())),
                               ("scaled_bitmaps.rc", scaled_resources())] + clip_files()
    for name, data in files:
        write(os.path.join(out, name), data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
