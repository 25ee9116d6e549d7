"""The bitmaps and the icon of the wizard's skin.

Sizes are those of the resources the dialogs load; the layout notes give where the
dialogs' controls land on each bitmap (dialog units times 1.5 px across and about
1.62 px down, the scale at which the bitmaps are drawn one to one), so that the pictures
stay clear of the texts.
"""

from raster import (Arc, Canvas, Circle, Polygon, RoundRect, Stroke, linear, mix, ramp, scaled,
                    smoothstep, to_byte)
import glyphs
import palette as P


def _rows(c):
    return c.rgb_bytes()


# ---------------------------------------------------------------------------------------
# Button faces. The button stretches its face over its whole client area and draws the
# caption (in the system's button-text colour, dark) on top, so faces are light and carry
# no text. Pixels outside the rounded outline are magenta; edge pixels are blended with the
# colour of the skin the button stands on, so no magenta fringe survives the mask.

BUTTON_STYLES = {
    # name: (border colour, border width, fill gradient top, bottom, top highlight opacity)
    "normal": ((138, 156, 182), 1.0, (255, 255, 255), (222, 230, 241), 0.9),
    "hover": (P.BLUE_BRIGHT, 1.6, (246, 251, 255), (208, 228, 251), 0.9),
    "pressed": ((92, 116, 152), 1.0, (202, 214, 231), (232, 239, 248), 0.0),
    "grey": ((150, 158, 172), 1.0, (250, 251, 252), (221, 225, 232), 0.9),
    "blue": ((100, 152, 216), 1.0, (226, 240, 255), (178, 211, 247), 0.8),
    "blue_rim": ((34, 88, 166), 2.0, (196, 222, 251), (158, 197, 241), 0.0),
}


def button_face(width, height, style, backdrop, scale=1.0):
    border, bw, top, bottom, shine = BUTTON_STYLES[style]
    c = Canvas(width, height, backdrop, scale=scale)
    radius = min(6.0, height / 3.0)
    outer = RoundRect(0.5, 0.5, width - 0.5, height - 0.5, radius)
    c.fill(outer, border)
    inner = RoundRect(0.5 + bw, 0.5 + bw, width - 0.5 - bw, height - 0.5 - bw, radius - bw * 0.7)
    c.fill(inner, linear(0, bw, 0, height - bw, [(0.0, top), (1.0, bottom)]))
    if shine > 0:
        # a soft glassy highlight on the upper half
        c.fill(RoundRect(bw + 1.5, bw + 1.0, width - bw - 1.5, height * 0.5, radius - 2.0),
               P.WHITE, shine * 0.45)
    else:
        # pressed faces: a faint inner shadow along the top edge
        c.fill(Stroke([(bw + 3, bw + 1.2), (width - bw - 3, bw + 1.2)], 1.4), (60, 80, 110), 0.18)
    cov = c.coverage(outer)
    rows = _rows(c)
    for y in range(c.h):
        for x in range(c.w):
            if cov[y * c.w + x] < 0.02:
                rows[y][x] = P.MAGENTA
    return rows


# ---------------------------------------------------------------------------------------
# Frame background 129 (671 x 508): header band, light body, footer with the buttons.

FRAME_HEADER = 56
FRAME_FOOTER = 462


def frame_129(scale=1.0):
    w, h = 671, 508
    c = Canvas(w, h, scale=scale)
    c.fill_rows(lambda y: body_colour(y) if y < FRAME_FOOTER else P.FOOTER)
    # header band: deep blue to teal, with soft translucent circles for depth
    band = RoundRect(-20, -20, w + 20, FRAME_HEADER, 0)
    c.fill(band, linear(0, 0, w, FRAME_HEADER, [(0.0, P.BLUE_DEEP), (0.55, P.BLUE), (1.0, (34, 146, 196))]))
    for cx, cy, r, a in ((560, -30, 110, 0.07), (640, 40, 70, 0.06), (470, 60, 60, 0.05)):
        c.fill(Circle(cx, cy, r) & band, P.WHITE, a)
    c.fill(RoundRect(-2, FRAME_HEADER - 2, w + 2, FRAME_HEADER + 0.5, 0),
           linear(0, 0, w, 0, [(0.0, TEAL_SOFT), (1.0, P.TEAL_LIGHT)]))
    # emblem: a phone with signal arcs
    glyphs.phone_outline(c, 32, 28, 34, P.WHITE, 0.95)
    glyphs.signal_arcs(c, 44, 17, 6.0, 5.0, 2, 2.0, P.WHITE, 0.8)
    # a soft shadow under the header edge
    for k in range(6):
        c.fill(RoundRect(-2, FRAME_HEADER + k, w + 2, FRAME_HEADER + k + 1, 0), P.BLUE_DEEP,
               0.05 * (6 - k) / 6)
    # footer: a bevelled line above the button row
    c.fill(RoundRect(-2, FRAME_FOOTER - 1, w + 2, FRAME_FOOTER, 0), P.LINE)
    c.fill(RoundRect(-2, FRAME_FOOTER, w + 2, FRAME_FOOTER + 1, 0), P.WHITE)
    return _rows(c)


TEAL_SOFT = (86, 178, 220)


# ---------------------------------------------------------------------------------------
# The side panel shared by the full-size pages and the welcome page.


def side_panel(c, x0, y0, x1, y1, phone_y, phone_h):
    c.fill(RoundRect(x0 + 1, y0 + 3, x1 + 1, y1 + 3, 14), (40, 70, 120), 0.18, soft=4.0)
    panel = RoundRect(x0, y0, x1, y1, 14)
    c.fill(panel, linear(x0, y0, x1 * 0.4, y1, [(0.0, (52, 128, 206)), (0.6, P.BLUE),
                                                  (1.0, P.BLUE_DEEP)]))
    cx = (x0 + x1) / 2
    for ox, oy, r, a in ((x1 - 10, y0 + 20, 70, 0.07), (x0 + 10, y1 - 30, 90, 0.06),
                         (cx, phone_y, phone_h * 0.9, 0.05)):
        c.fill(Circle(ox, oy, r) & panel, P.WHITE, a)
    glyphs.phone_outline(c, cx - 6, phone_y, phone_h, P.WHITE, 0.95)
    pw = phone_h * 0.54
    glyphs.signal_arcs(c, cx - 6 + pw / 2 + 2, phone_y - phone_h / 2 + 2, 9.0, 8.0, 3, 3.0,
                       P.WHITE, 0.75)
    # a thin highlight along the panel's top edge
    c.fill(RoundRect(x0 + 14, y0 + 1, x1 - 14, y0 + 2, 0.5), P.WHITE, 0.25)


# The frame's body runs from paper white under the header to the clip's sky blue; the pages
# continue the same gradient at their place on the frame (163 at y 65, 162 at y 107), so
# they blend into it even when they land a few pixels off.
BODY_PAPER_END, BODY_SKY_START = 145.0, 215.0
PAGE_TOP, WELCOME_TOP = 65.0, 107.0


def body_colour(frame_y):
    return mix(P.PAPER, P.SKY, smoothstep((frame_y - BODY_PAPER_END) /
                                          (BODY_SKY_START - BODY_PAPER_END)))


# Page 163 (642 x 349). Texts start 118 dlu in (177 px), titles at about 55 px down, the
# separator at 73-78 px, the clip of the detect-cable page at 352..532 x 154..330.


def page_163(scale=1.0):
    w, h = 642, 349
    c = Canvas(w, h, scale=scale)
    c.fill_rows(lambda y: body_colour(y + PAGE_TOP))
    side_panel(c, 10, 10, 160, h - 10, 170, 96)
    return _rows(c)


# Welcome page 162 (540 x 299), placed on the frame's paper-white body. Texts start 73 dlu
# in (110 px); the title at 13 px, its statement to 94 px, the second statement from 223 px.
# The band between holds a picture: a computer and a phone, linked.


def welcome_162(scale=1.0):
    w, h = 540, 299
    c = Canvas(w, h, scale=scale)
    c.fill_rows(lambda y: body_colour(y + WELCOME_TOP))
    side_panel(c, 4, 4, 94, h - 4, 150, 78)
    # hero picture: monitor, a dashed link, a phone
    card = RoundRect(118, 104, 520, 212, 12)
    c.fill(RoundRect(119, 107, 521, 215, 12), (60, 90, 140), 0.16, soft=4.0)
    c.fill(card, linear(0, 104, 0, 212, [(0.0, P.WHITE), (1.0, P.SKY_LIGHT)]))
    glyphs.monitor(c, 170, 122, 92, 60, (58, 78, 110), 1.0,
                   screen=None)
    c.fill(RoundRect(178, 130, 254, 174, 1.5),
           linear(178, 130, 254, 174, [(0.0, (150, 206, 250)), (1.0, P.BLUE_BRIGHT)]))
    glyphs.check_mark(c, 216, 152, 22, P.WHITE, 0.95, 4.0)
    # link: three dots and a plug-like connector in the middle
    for i, x in enumerate((292, 308, 324, 388, 404, 420)):
        c.fill(Circle(x, 158, 3.2), P.BLUE, 0.55 + 0.07 * (i % 3))
    c.fill(Circle(356, 158, 17), P.WHITE)
    c.fill(Circle(356, 158, 17) - Circle(356, 158, 15.6), P.BLUE_BRIGHT)
    glyphs.signal_arcs(c, 349, 165, 6.0, 5.5, 2, 2.2, P.BLUE, 0.95)
    glyphs.phone_solid(c, 448, 116, 44, 84, True, 1.0)
    return _rows(c)


# Troubleshooting dialog 155 (491 x 530). Heading at (51, 36), advice text 51..450 x
# 81..475, buttons at 485..511.


def troubleshoot_155(scale=1.0):
    w, h = 491, 530
    c = Canvas(w, h, P.PAPER, scale=scale)
    c.fill(RoundRect(-2, -2, w + 2, 6, 0), linear(0, 0, w, 0, [(0.0, P.BLUE_DEEP), (0.6, P.BLUE),
                                                                 (1.0, (34, 146, 196))]))
    # an advice sign beside the heading
    c.fill(Circle(30, 51, 15), linear(15, 36, 45, 66, [(0.0, P.BLUE_BRIGHT), (1.0, P.BLUE_DEEP)]))
    c.fill(Circle(30, 44.5, 2.4), P.WHITE)
    c.fill(Stroke([(30, 50), (30, 59)], 4.2), P.WHITE)
    # the card behind the advice text
    c.fill(RoundRect(39, 72, 465, 482, 10), (60, 90, 140), 0.14, soft=4.0)
    c.fill(RoundRect(38, 70, 463, 479, 10), P.LINE)
    c.fill(RoundRect(39, 71, 462, 478, 9.2), linear(0, 70, 0, 479, [(0.0, P.WHITE), (1.0, (240, 245, 251))]))
    c.fill(RoundRect(39, 71, 44, 478, 2.5) & RoundRect(39, 71, 462, 478, 9.2), P.BLUE_BRIGHT, 0.9)
    return _rows(c)


# ---------------------------------------------------------------------------------------
# Separator 136 (440 x 2, 4 bits per pixel): an accent line that fades out to the right.


def separator_136(scale=1.0):
    w = scaled(440, scale)
    steps = 16
    stops = [(0.0, P.BLUE), (0.55, TEAL_SOFT), (1.0, P.PAPER)]
    pal = [tuple(to_byte(v) for v in ramp(stops, i / (steps - 1))) for i in range(steps)]
    rows = []
    for r in range(scaled(2, scale)):
        row = []
        for x in range(w):
            # sixteen colours over 440 pixels would show steps: an ordered dither between
            # neighbouring entries, offset between the two rows, smooths them out
            v = x / (w - 1) * (steps - 1)
            threshold = (((x + 2 * r) % 4) + 0.5) / 4.0
            row.append(min(steps - 1, int(v + threshold)))
        rows.append(row)
    return rows, pal


# ---------------------------------------------------------------------------------------
# Image list 169 (121 x 24): six 20 x 24 images on magenta, one spare column.

CELL_W, CELL_H = 20, 24


def _cell_phone(c):
    c.fill(RoundRect(5, 2, 15, 22, 2.6), linear(5, 2, 15, 22, [(0.0, (70, 92, 128)), (1.0, (30, 44, 70))]))
    c.fill(RoundRect(6.4, 4.6, 13.6, 17.4, 0.8),
           linear(6, 4, 14, 18, [(0.0, (150, 210, 252)), (1.0, P.BLUE_BRIGHT)]))
    c.fill(Circle(10, 19.7, 1.1), (180, 196, 220))
    c.fill(Stroke([(8.8, 3.3), (11.2, 3.3)], 0.8), (140, 156, 184))


SKIN, SKIN_SHADE, SKIN_EDGE, SLEEVE = (246, 204, 160), (232, 178, 128), (150, 96, 56), (44, 88, 156)


def _outlined(c, poly, fill):
    c.fill(Stroke(poly.pts + [poly.pts[0]], 1.8), SKIN_EDGE)
    c.fill(poly, fill)


def _cell_handshake(c):
    # sleeves from both sides, the left hand's palm, the right hand's fingers wrapped round
    # it and the left thumb on top; squeezed a little sideways to keep a clear margin
    def p(x, y):
        return (10.0 + (x - 10.0) * 0.9, y)

    def poly(*pts):
        return Polygon([p(x, y) for x, y in pts])

    c.fill(poly((0.2, 12.2), (3.4, 10.2), (5.8, 15.4), (2.4, 17.6)), SLEEVE)
    c.fill(poly((19.8, 12.2), (16.6, 10.2), (14.2, 15.4), (17.6, 17.6)), SLEEVE)
    _outlined(c, poly((4.2, 11.4), (9.0, 9.4), (12.6, 11.0), (12.4, 15.6), (6.6, 16.4),
                      (5.0, 14.6)), SKIN_SHADE)
    _outlined(c, poly((15.8, 11.0), (13.0, 9.6), (11.8, 10.4), (12.2, 16.4), (14.8, 15.4)),
              SKIN_SHADE)
    for k in range(4):
        y = 10.9 + 1.7 * k
        finger = [p(13.4, y), p(7.6 + 0.5 * k, y + 0.9)]
        c.fill(Stroke(finger, 2.3), SKIN_EDGE)
        c.fill(Stroke(finger, 1.2), SKIN)
    thumb = [p(6.0, 10.6), p(11.6, 8.4)]
    c.fill(Stroke(thumb, 2.6), SKIN_EDGE)
    c.fill(Stroke(thumb, 1.3), SKIN)


def _cell_padlock(c):
    c.fill(RoundRect(5.6, 3.5, 14.4, 15, 4.4) - RoundRect(7.6, 5.5, 12.4, 15, 2.4),
           (120, 128, 140))
    body = RoundRect(4, 10.5, 16, 21.5, 2.2)
    c.fill(body, linear(4, 10, 16, 22, [(0.0, (246, 196, 88)), (1.0, P.AMBER)]))
    c.fill(body - RoundRect(5, 11.5, 15, 20.5, 1.4), P.AMBER_DARK, 0.9)
    c.fill(Circle(10, 15, 1.6), (96, 60, 10))
    c.fill(Stroke([(10, 15.5), (10, 18.4)], 1.3), (96, 60, 10))


def _greyed(rgb):
    luma = 0.30 * rgb[0] + 0.59 * rgb[1] + 0.11 * rgb[2]
    g = to_byte(255.0 - (255.0 - luma) * 0.5)
    return (g, g, g)


def imagelist_169(scale=1.0):
    # six cells and the spare column; the program splits the strip by its height and a sixth
    # of its width, so every scale keeps the same layout
    cw, ch = scaled(CELL_W, scale), scaled(CELL_H, scale)
    w, h = 6 * cw + 1, ch
    rows = [[P.MAGENTA] * w for _ in range(h)]
    cells = []
    for draw in (_cell_phone, _cell_handshake, _cell_padlock):
        c = Canvas(CELL_W, CELL_H, P.WHITE, alpha=0.0, scale=scale)
        draw(c)
        cell = []
        for y in range(ch):
            line = []
            for x in range(cw):
                r, g, b, a = c.pixel(x, y)
                if a < 0.25:
                    line.append(None)  # transparent
                else:  # edges blend with the list's white background
                    line.append(tuple(to_byte(v * a + 255.0 * (1.0 - a)) for v in (r, g, b)))
            cell.append(line)
        cells.append(cell)
    cells += [[[None if p is None else _greyed(p) for p in line] for line in cell] for cell in cells]
    for i, cell in enumerate(cells):
        for y in range(ch):
            for x in range(cw):
                if cell[y][x] is not None:
                    rows[y][i * cw + x] = cell[y][x]
    return rows


# ---------------------------------------------------------------------------------------
# Icon 128: a blue tile with a white phone and signal arcs.


def icon_image(size):
    c = Canvas(size, size, P.BLUE, alpha=0.0)
    s = float(size)
    tile = RoundRect(0.5, 0.5, s - 0.5, s - 0.5, s * 0.22)
    c.fill(tile, linear(0, 0, s, s, [(0.0, (70, 156, 234)), (0.55, P.BLUE), (1.0, P.BLUE_DEEP)]))
    if size >= 32:
        c.fill(Circle(s * 0.85, s * 0.1, s * 0.5) & tile, P.WHITE, 0.10)
        glyphs.phone_outline(c, s * 0.4, s * 0.55, s * 0.62, P.WHITE, 1.0, 0.22)
        glyphs.signal_arcs(c, s * 0.57, s * 0.3, s * 0.1, s * 0.1, 2, max(1.5, s * 0.055),
                           P.WHITE, 0.95)
    else:
        # 16 px: a solid phone shape, the outline would blur away
        c.fill(RoundRect(4, 3, 10, 14, 1.6), P.WHITE)
        c.fill(RoundRect(5, 5, 9, 11, 0.3), P.BLUE)
        c.fill(Circle(11.2, 4.8, 1.1), P.WHITE)
        c.fill(Arc(11.2, 4.8, 3.2, 1.2, 1.0, -1.0, 0.9), P.WHITE, 0.95)
    rows = []
    for y in range(size):
        line = []
        for x in range(size):
            r, g, b, a = c.pixel(x, y)
            line.append((to_byte(r), to_byte(g), to_byte(b), to_byte(a * 255.0)))
        rows.append(line)
    return rows


def icon_128():
    return [(s, icon_image(s)) for s in (16, 32, 48)]
