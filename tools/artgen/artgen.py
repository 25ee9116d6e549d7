#!/usr/bin/env python3
"""Writes the wizard's artwork into one folder: every bitmap resource, the icon, the
detect-cable clip and (for the tests) the clip's frames as bitmaps.

    artgen.py OUTDIR

Standard library only; the same bytes on every run.
"""

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


def bitmaps():
    """(file name, contents) of every bitmap resource, in id order."""
    def face(size, style, backdrop):
        return ff.bmp24(artwork.button_face(size[0], size[1], style, backdrop))

    sep_rows, sep_pal = artwork.separator_136()
    return [
        ("bg_frame_129.bmp", ff.bmp24(artwork.frame_129())),
        ("btn_normal_131.bmp", face(FRAME_BUTTON, "normal", P.FOOTER)),
        ("btn_pressed_132.bmp", face(FRAME_BUTTON, "pressed", P.FOOTER)),
        ("btn_hover_135.bmp", face(FRAME_BUTTON, "hover", P.FOOTER)),
        ("separator_136.bmp", ff.bmp_indexed(sep_rows, sep_pal, 4)),
        ("bg_troubleshoot_155.bmp", ff.bmp24(artwork.troubleshoot_155())),
        ("btn_ts_hover_156.bmp", face(TROUBLESHOOT_BUTTON, "hover", P.PAPER)),
        ("btn_ts_normal_157.bmp", face(TROUBLESHOOT_BUTTON, "normal", P.PAPER)),
        ("btn_ts_pressed_158.bmp", face(TROUBLESHOOT_BUTTON, "pressed", P.PAPER)),
        ("bg_welcome_162.bmp", ff.bmp24(artwork.welcome_162())),
        ("bg_page_163.bmp", ff.bmp24(artwork.page_163())),
        ("btn_bt_grey_166.bmp", face(BLUETOOTH_BUTTON, "grey", P.SKY_LIGHT)),
        ("btn_bt_rim_167.bmp", face(BLUETOOTH_BUTTON, "blue_rim", P.SKY_LIGHT)),
        ("btn_bt_blue_168.bmp", face(BLUETOOTH_BUTTON, "blue", P.SKY_LIGHT)),
        ("imagelist_169.bmp", ff.bmp24(artwork.imagelist_169())),
    ]


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
    if len(argv) != 2:
        sys.stderr.write("usage: artgen.py OUTDIR\n")
        return 2
    out = argv[1]
    os.makedirs(os.path.join(out, "clip"), exist_ok=True)
    files = bitmaps() + [("hitched_128.ico", ff.ico(artwork.icon_128()))] + clip_files()
    for name, data in files:
        write(os.path.join(out, name), data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
