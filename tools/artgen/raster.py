"""A small anti-aliased rasterizer: signed-distance shapes painted onto an RGBA canvas.

Only +, -, *, / and sqrt are used on pixel values (all exactly rounded in IEEE arithmetic),
so the output is the same bytes on every machine; no trigonometry, no random numbers.
"""

from math import sqrt


def clamp01(v):
    return 0.0 if v < 0.0 else (1.0 if v > 1.0 else v)


def smoothstep(t):
    t = clamp01(t)
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    """Linear blend of two colours (tuples of 3 floats)."""
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


# ---------------------------------------------------------------------------------------
# Shapes. Each has sdf(x, y) (negative inside, in pixels) and bbox() -> (x0, y0, x1, y1).


class Shape:
    def bbox(self):
        raise NotImplementedError

    def sdf(self, x, y):
        raise NotImplementedError

    def __or__(self, other):
        return Union(self, other)

    def __sub__(self, other):
        return Subtract(self, other)

    def __and__(self, other):
        return Intersect(self, other)

    def moved(self, dx, dy):
        return Moved(self, dx, dy)


class RoundRect(Shape):
    def __init__(self, x0, y0, x1, y1, r):
        self.cx, self.cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
        self.hx, self.hy = (x1 - x0) / 2.0, (y1 - y0) / 2.0
        self.r = min(r, self.hx, self.hy)
        self.box = (x0, y0, x1, y1)

    def bbox(self):
        return self.box

    def sdf(self, x, y):
        r = self.r
        qx = abs(x - self.cx) - self.hx + r
        qy = abs(y - self.cy) - self.hy + r
        ox, oy = max(qx, 0.0), max(qy, 0.0)
        return sqrt(ox * ox + oy * oy) + min(max(qx, qy), 0.0) - r


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def bbox(self):
        return (self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r)

    def sdf(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return sqrt(dx * dx + dy * dy) - self.r


class Ellipse(Shape):
    """Approximate ellipse distance (exact on the axes, good enough for soft shadows)."""

    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry

    def bbox(self):
        return (self.cx - self.rx, self.cy - self.ry, self.cx + self.rx, self.cy + self.ry)

    def sdf(self, x, y):
        nx, ny = (x - self.cx) / self.rx, (y - self.cy) / self.ry
        k = sqrt(nx * nx + ny * ny)
        return (k - 1.0) * min(self.rx, self.ry)


class Ring(Shape):
    def __init__(self, cx, cy, r, width):
        self.cx, self.cy, self.r, self.w = cx, cy, r, width / 2.0

    def bbox(self):
        e = self.r + self.w
        return (self.cx - e, self.cy - e, self.cx + e, self.cy + e)

    def sdf(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return abs(sqrt(dx * dx + dy * dy) - self.r) - self.w


class Arc(Shape):
    """A ring segment with round caps, opening towards (dirx, diry) with half-width `spread`:
    a point belongs to the segment when its sideways offset is at most spread times its
    forward offset. Trigonometry-free on purpose (see the module comment)."""

    def __init__(self, cx, cy, r, width, dirx, diry, spread):
        n = sqrt(dirx * dirx + diry * diry)
        self.cx, self.cy, self.r, self.w = cx, cy, r, width / 2.0
        self.fx, self.fy = dirx / n, diry / n
        self.k = spread
        m = sqrt(1.0 + spread * spread)
        f, s = r / m, r * spread / m
        self.caps = ((cx + self.fx * f - self.fy * s, cy + self.fy * f + self.fx * s),
                     (cx + self.fx * f + self.fy * s, cy + self.fy * f - self.fx * s))

    def bbox(self):
        e = self.r + self.w
        return (self.cx - e, self.cy - e, self.cx + e, self.cy + e)

    def sdf(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        fwd = dx * self.fx + dy * self.fy
        side = -dx * self.fy + dy * self.fx
        if fwd > 0.0 and abs(side) <= self.k * fwd:
            return abs(sqrt(dx * dx + dy * dy) - self.r) - self.w
        best = None
        for px, py in self.caps:
            ex, ey = x - px, y - py
            d = sqrt(ex * ex + ey * ey)
            best = d if best is None or d < best else best
        return best - self.w


def _segment_distance(x, y, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    wx, wy = x - ax, y - ay
    ll = vx * vx + vy * vy
    t = 0.0 if ll == 0.0 else clamp01((wx * vx + wy * vy) / ll)
    ex, ey = wx - vx * t, wy - vy * t
    return sqrt(ex * ex + ey * ey)


class Stroke(Shape):
    """A polyline of the given width with round joins and caps."""

    def __init__(self, points, width):
        self.pts = list(points)
        self.w = width / 2.0
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.box = (min(xs) - self.w, min(ys) - self.w, max(xs) + self.w, max(ys) + self.w)

    def bbox(self):
        return self.box

    def sdf(self, x, y):
        best = 1e9
        p = self.pts
        for i in range(len(p) - 1):
            d = _segment_distance(x, y, p[i][0], p[i][1], p[i + 1][0], p[i + 1][1])
            if d < best:
                best = d
        return best - self.w


class Polygon(Shape):
    """A simple polygon (even-odd inside test)."""

    def __init__(self, points):
        self.pts = list(points)
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.box = (min(xs), min(ys), max(xs), max(ys))

    def bbox(self):
        return self.box

    def sdf(self, x, y):
        p = self.pts
        n = len(p)
        best = 1e9
        inside = False
        j = n - 1
        for i in range(n):
            ax, ay = p[j]
            bx, by = p[i]
            d = _segment_distance(x, y, ax, ay, bx, by)
            if d < best:
                best = d
            if (by > y) != (ay > y):
                xc = bx + (y - by) * (ax - bx) / (ay - by)
                if x < xc:
                    inside = not inside
            j = i
        return -best if inside else best


class Union(Shape):
    def __init__(self, *shapes):
        self.shapes = shapes

    def bbox(self):
        bs = [s.bbox() for s in self.shapes]
        return (min(b[0] for b in bs), min(b[1] for b in bs),
                max(b[2] for b in bs), max(b[3] for b in bs))

    def sdf(self, x, y):
        return min(s.sdf(x, y) for s in self.shapes)


class Subtract(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def bbox(self):
        return self.a.bbox()

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), -self.b.sdf(x, y))


class Intersect(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def bbox(self):
        a, b = self.a.bbox(), self.b.bbox()
        return (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3]))

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), self.b.sdf(x, y))


class Moved(Shape):
    def __init__(self, shape, dx, dy):
        self.s, self.dx, self.dy = shape, dx, dy

    def bbox(self):
        b = self.s.bbox()
        return (b[0] + self.dx, b[1] + self.dy, b[2] + self.dx, b[3] + self.dy)

    def sdf(self, x, y):
        return self.s.sdf(x - self.dx, y - self.dy)


def bezier(p0, p1, p2, p3, steps):
    """Points along a cubic Bezier curve, for Stroke."""
    pts = []
    for i in range(steps + 1):
        t = i / steps
        u = 1.0 - t
        a, b, c, d = u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t
        pts.append((a * p0[0] + b * p1[0] + c * p2[0] + d * p3[0],
                    a * p0[1] + b * p1[1] + c * p2[1] + d * p3[1]))
    return pts


# ---------------------------------------------------------------------------------------
# Paints: a colour tuple, or a callable (x, y) -> colour.


def linear(x0, y0, x1, y1, stops):
    """Gradient along the line (x0, y0)-(x1, y1); stops are (position 0..1, colour)."""
    vx, vy = x1 - x0, y1 - y0
    ll = vx * vx + vy * vy

    def paint(x, y):
        t = clamp01(((x - x0) * vx + (y - y0) * vy) / ll)
        return ramp(stops, t)

    return paint


def radial(cx, cy, r, stops):
    def paint(x, y):
        dx, dy = x - cx, y - cy
        return ramp(stops, clamp01(sqrt(dx * dx + dy * dy) / r))

    return paint


def ramp(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for i in range(1, len(stops)):
        p1, c1 = stops[i]
        if t <= p1:
            p0, c0 = stops[i - 1]
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 1.0)
    return stops[-1][1]


# ---------------------------------------------------------------------------------------


def scaled(n, scale):
    """Pixels of a length of n pixels at 100 % drawn at `scale` (1.25 for 125 %...)."""
    return int(n * scale + 0.5)


class Canvas:
    """RGBA pixels, top row first, channels as floats 0..255 (alpha 0..1, straight).

    Pictures are described in the pixels of their 100 % size; a canvas of another scale has
    scaled(width) x scaled(height) pixels and renders the same shapes with that many more
    pixels (edges stay one pixel soft), so no picture is stretched from its 100 % bitmap."""

    def __init__(self, width, height, colour=(0.0, 0.0, 0.0), alpha=1.0, scale=1.0):
        self.s = float(scale)
        self.w, self.h = scaled(width, scale), scaled(height, scale)
        n = self.w * self.h
        self.r = [float(colour[0])] * n
        self.g = [float(colour[1])] * n
        self.b = [float(colour[2])] * n
        self.a = [float(alpha)] * n

    def _range(self, box, grow):
        s = self.s
        x0 = max(0, int((box[0] - grow) * s) - 1)
        y0 = max(0, int((box[1] - grow) * s) - 1)
        x1 = min(self.w, int((box[2] + grow) * s) + 2)
        y1 = min(self.h, int((box[3] + grow) * s) + 2)
        return x0, y0, x1, y1

    def blend(self, i, colour, cov):
        """Composites `colour` with coverage `cov` over pixel i."""
        da = self.a[i]
        oa = cov + da * (1.0 - cov)
        if oa <= 0.0:
            return
        k = da * (1.0 - cov)
        self.r[i] = (colour[0] * cov + self.r[i] * k) / oa
        self.g[i] = (colour[1] * cov + self.g[i] * k) / oa
        self.b[i] = (colour[2] * cov + self.b[i] * k) / oa
        self.a[i] = oa

    def fill(self, shape, paint, opacity=1.0, soft=0.0):
        """Paints `shape`: edges anti-aliased over one pixel, or blurred over `soft` pixels
        (of the 100 % size)."""
        x0, y0, x1, y1 = self._range(shape.bbox(), soft)
        solid = not callable(paint)
        w, s = self.w, self.s
        inv = 1.0 / s
        sdf = shape.sdf
        for y in range(y0, y1):
            py = (y + 0.5) * inv
            row = y * w
            for x in range(x0, x1):
                px = (x + 0.5) * inv
                d = sdf(px, py)
                if soft > 0.0:
                    cov = smoothstep((soft - d) / (2.0 * soft))
                else:
                    cov = clamp01(0.5 - d * s)
                if cov <= 0.0:
                    continue
                self.blend(row + x, paint if solid else paint(px, py), cov * opacity)

    def fill_all(self, paint):
        """Covers the whole canvas, opaque."""
        w, inv = self.w, 1.0 / self.s
        for y in range(self.h):
            py = (y + 0.5) * inv
            for x in range(w):
                c = paint((x + 0.5) * inv, py)
                i = y * w + x
                self.r[i], self.g[i], self.b[i], self.a[i] = c[0], c[1], c[2], 1.0

    def fill_rows(self, paint_of_y):
        """Covers the whole canvas with a colour per row (fast vertical gradients)."""
        w, inv = self.w, 1.0 / self.s
        for y in range(self.h):
            c = paint_of_y((y + 0.5) * inv)
            s = y * w
            self.r[s:s + w] = [c[0]] * w
            self.g[s:s + w] = [c[1]] * w
            self.b[s:s + w] = [c[2]] * w
            self.a[s:s + w] = [1.0] * w

    def coverage(self, shape):
        """Per-pixel coverage of a shape as a flat list (for masks)."""
        cov = [0.0] * (self.w * self.h)
        x0, y0, x1, y1 = self._range(shape.bbox(), 0.0)
        s, inv = self.s, 1.0 / self.s
        for y in range(y0, y1):
            for x in range(x0, x1):
                cov[y * self.w + x] = clamp01(0.5 - shape.sdf((x + 0.5) * inv, (y + 0.5) * inv) * s)
        return cov

    def pixel(self, x, y):
        i = y * self.w + x
        return (self.r[i], self.g[i], self.b[i], self.a[i])

    def rgb_bytes(self):
        """Rows of 8-bit (r, g, b) tuples, top row first."""
        out = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                i = y * self.w + x
                row.append((to_byte(self.r[i]), to_byte(self.g[i]), to_byte(self.b[i])))
            out.append(row)
        return out


def to_byte(v):
    v = int(v + 0.5)
    return 0 if v < 0 else (255 if v > 255 else v)
