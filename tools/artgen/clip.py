"""The detect-cable clip: a USB plug rises into a phone, the screen lights up and a pulse
goes out; then the loop starts again.

The background is exactly the page's sky blue: the animation control paints the clip's
background colour (its first frame's corner pixel) with that same colour, so edges that
were anti-aliased against it blend in either way.
"""

from raster import Canvas, Ellipse, Ring, Stroke, bezier, mix, smoothstep
import glyphs
import palette as P

WIDTH, HEIGHT = 180, 176  # 120 x 108 dialog units at 1.5 x 1.625 px per unit
FRAMES = 16
FRAME_US = 120000

PHONE_X, PHONE_Y, PHONE_W, PHONE_H = 61, 14, 58, 108
PORT_X = PHONE_X + PHONE_W / 2
PORT_Y = PHONE_Y + PHONE_H  # the plug's tip stops here, inside the phone
START_TIP = HEIGHT - 24  # where the plug's tip waits at the start


def plug_tip(frame):
    """The y of the plug's tip: rises with an ease-in-out over frames 0 to 7, stays in."""
    t = smoothstep(frame / 7.0)
    return START_TIP + (PORT_Y - 6 - START_TIP) * t


def render(frame):
    c = Canvas(WIDTH, HEIGHT, P.SKY)
    connected = frame >= 8
    # floor shadow under the phone
    c.fill(Ellipse(PORT_X, PHONE_Y + PHONE_H + 5, 30, 3.5), (110, 136, 178), 0.3, soft=3.5)
    if connected:
        # pulses going out from the phone
        for k in range(2):
            age = frame - 8 - 3 * k
            if 0 <= age <= 5:
                r = 44 + age * 4.0
                c.fill(Ring(PORT_X, PHONE_Y + PHONE_H / 2, r, 3.0), P.BLUE_BRIGHT,
                       0.55 * (1.0 - age / 6.0))
    tip = plug_tip(frame)
    # the cable: from the plug's lower end, a curve that leaves the picture at the left
    end = tip + 9 + 24 + 7 - 1
    pts = bezier((PORT_X, end), (PORT_X, end + 26), (60, HEIGHT - 6), (-6, HEIGHT - 20), 24)
    # the far end fades into the background instead of being cut off at the edge
    def fade(colour):
        return lambda x, y: mix(P.SKY, colour, smoothstep((x - 6.0) / 40.0))
    c.fill(Stroke(pts, 7.0), fade((58, 70, 90)))
    c.fill(Stroke([(x, y - 1.3) for x, y in pts], 1.6), fade((140, 154, 176)), 0.6)
    glyphs.usb_plug(c, PORT_X, tip)
    lit = 0.0 if frame < 8 else (0.6 if frame == 8 else 1.0)
    sx0, sy0, sx1, sy1 = glyphs.phone_solid(c, PHONE_X, PHONE_Y, PHONE_W, PHONE_H,
                                            connected, lit)
    if connected:
        cx, cy = (sx0 + sx1) / 2, (sy0 + sy1) / 2
        glyphs.check_mark(c, cx, cy, 26, P.WHITE, lit, 4.5)
    return c.rgb_bytes()


def frames():
    return [render(i) for i in range(FRAMES)]
