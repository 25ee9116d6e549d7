"""Reusable pictures: the phone, the signal arcs, the cable plug, the monitor, the small
list icons. Each function paints onto a Canvas at a given place and size."""

from raster import Arc, Circle, Polygon, RoundRect, Stroke, linear, mix
import palette as P


def phone_outline(c, cx, cy, h, colour=P.WHITE, opacity=1.0, screen_opacity=0.16):
    """A clean smartphone outline (for the sidebars and the header emblem)."""
    w = h * 0.54
    x0, y0, x1, y1 = cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2
    line = max(1.4, h * 0.045)
    body = RoundRect(x0, y0, x1, y1, h * 0.12) - RoundRect(x0 + line, y0 + line, x1 - line,
                                                            y1 - line, h * 0.12 - line)
    c.fill(body, colour, opacity)
    screen = RoundRect(x0 + line * 2.2, y0 + h * 0.12, x1 - line * 2.2, y1 - h * 0.15, h * 0.02)
    c.fill(screen, colour, opacity * screen_opacity)
    sw = w * 0.22
    c.fill(Stroke([(cx - sw / 2, y0 + h * 0.065), (cx + sw / 2, y0 + h * 0.065)], line * 0.8),
           colour, opacity)
    c.fill(Circle(cx, y1 - h * 0.075, h * 0.035), colour, opacity)


def signal_arcs(c, cx, cy, r0, step, count, width, colour, opacity, dirx=1.0, diry=-1.0):
    """Concentric arcs opening towards (dirx, diry): the wireless/connection sign."""
    for i in range(count):
        c.fill(Arc(cx, cy, r0 + i * step, width, dirx, diry, 0.9), colour,
               opacity * (1.0 - 0.28 * i))
    c.fill(Circle(cx, cy, width * 0.9), colour, opacity)


def phone_solid(c, x0, y0, w, h, lit, lit_amount=1.0):
    """A dark phone with a screen that is off (lit=False) or glowing blue (lit=True,
    lit_amount 0..1 fades it in). Used by the clip."""
    r = w * 0.18
    # soft shadow
    c.fill(RoundRect(x0 + 2, y0 + 4, x0 + w + 2, y0 + h + 4, r), (70, 90, 120), 0.25, soft=5.0)
    c.fill(RoundRect(x0, y0, x0 + w, y0 + h, r),
           linear(x0, y0, x0 + w, y0 + h, [(0.0, (74, 86, 106)), (1.0, P.GRAPHITE_DARK)]))
    c.fill(RoundRect(x0 + 1.2, y0 + 1.2, x0 + w - 1.2, y0 + h - 1.2, r - 1.2),
           linear(x0, y0, x0, y0 + h, [(0.0, (62, 74, 94)), (1.0, (38, 46, 60))]))
    sx0, sy0, sx1, sy1 = x0 + w * 0.1, y0 + h * 0.11, x0 + w * 0.9, y0 + h * 0.83
    c.fill(RoundRect(sx0, sy0, sx1, sy1, 2.5), P.SCREEN_OFF)
    if lit and lit_amount > 0.0:
        glow = linear(sx0, sy0, sx1, sy1, [(0.0, (120, 196, 250)), (0.55, P.BLUE_BRIGHT),
                                             (1.0, (40, 120, 200))])
        c.fill(RoundRect(sx0, sy0, sx1, sy1, 2.5), glow, lit_amount)
    else:
        # a faint reflection on the dark glass
        c.fill(Polygon([(sx0, sy0), (sx0 + (sx1 - sx0) * 0.55, sy0), (sx0, sy0 + (sy1 - sy0) * 0.45)]),
               P.WHITE, 0.06)
    c.fill(Stroke([(x0 + w * 0.4, y0 + h * 0.06), (x0 + w * 0.6, y0 + h * 0.06)], 2.0),
           (22, 26, 34))
    c.fill(Circle(x0 + w / 2, y0 + h * 0.915, w * 0.075), (24, 28, 38))
    c.fill(Circle(x0 + w / 2, y0 + h * 0.915, w * 0.075 - 1.0), (70, 82, 102))
    return (sx0, sy0, sx1, sy1)


def check_mark(c, cx, cy, s, colour, opacity=1.0, width=None):
    pts = [(cx - s * 0.5, cy), (cx - s * 0.15, cy + s * 0.35), (cx + s * 0.5, cy - s * 0.35)]
    c.fill(Stroke(pts, width or s * 0.18), colour, opacity)


def usb_plug(c, cx, tip_y, scale=1.0):
    """A USB plug pointing up, its metal tip's top edge at tip_y. Returns the y of its
    lower end, where the cable leaves."""
    tw, th = 12 * scale, 9 * scale  # metal tip
    hw, hh = 18 * scale, 24 * scale  # moulded housing
    c.fill(RoundRect(cx - tw / 2, tip_y, cx + tw / 2, tip_y + th + 2, 1.0),
           linear(cx - tw / 2, 0, cx + tw / 2, 0, [(0.0, (150, 160, 172)), (0.5, (236, 240, 245)),
                                                    (1.0, (140, 150, 164))]))
    c.fill(RoundRect(cx - tw / 2 + 2.5, tip_y + 2, cx - tw / 2 + 5, tip_y + 4.5, 0.5), (70, 80, 94))
    c.fill(RoundRect(cx + tw / 2 - 5, tip_y + 2, cx + tw / 2 - 2.5, tip_y + 4.5, 0.5), (70, 80, 94))
    hy = tip_y + th
    c.fill(RoundRect(cx - hw / 2, hy, cx + hw / 2, hy + hh, 3.5 * scale),
           linear(cx - hw / 2, 0, cx + hw / 2, 0, [(0.0, (196, 204, 216)), (0.35, (248, 250, 252)),
                                                    (1.0, (170, 180, 196))]))
    c.fill(RoundRect(cx - hw / 2, hy, cx + hw / 2, hy + hh, 3.5 * scale)
           - RoundRect(cx - hw / 2 + 1, hy + 1, cx + hw / 2 - 1, hy + hh - 1, 2.5 * scale),
           (120, 132, 150))
    # grip lines
    for k in range(3):
        gy = hy + hh * (0.45 + 0.15 * k)
        c.fill(Stroke([(cx - hw * 0.25, gy), (cx + hw * 0.25, gy)], 1.0), (150, 162, 180))
    # strain relief
    c.fill(RoundRect(cx - 5 * scale, hy + hh - 1, cx + 5 * scale, hy + hh + 7 * scale, 2.0),
           (96, 108, 128))
    return hy + hh + 7 * scale


def monitor(c, x0, y0, w, h, colour, opacity=1.0, screen=None):
    """A flat-screen monitor on a stand."""
    line = 2.0
    c.fill(RoundRect(x0, y0, x0 + w, y0 + h, 4.0), colour, opacity)
    c.fill(RoundRect(x0 + line * 2, y0 + line * 2, x0 + w - line * 2, y0 + h - line * 2, 1.5),
           screen if screen is not None else P.WHITE, opacity)
    c.fill(Polygon([(x0 + w * 0.42, y0 + h), (x0 + w * 0.58, y0 + h), (x0 + w * 0.62, y0 + h + h * 0.22),
                    (x0 + w * 0.38, y0 + h + h * 0.22)]), mix(colour, P.WHITE, 0.2), opacity)
    c.fill(RoundRect(x0 + w * 0.28, y0 + h * 1.2, x0 + w * 0.72, y0 + h * 1.27, 2.0), colour, opacity)
