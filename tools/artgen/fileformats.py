"""Writers for the Windows file formats the program loads: BMP (24-bit and palettized),
ICO (32-bit with alpha and AND mask) and an uncompressed 8-bit AVI clip.

Images come in as rows of (r, g, b) tuples, top row first. Every DIB is written bottom-up
(positive height) with rows padded to four bytes, as GDI and the animation control expect.
"""

import struct

PELS_PER_METER = 3780  # 96 dpi


def _row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def _info_header(width, height, bpp, image_size, colours, compression=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, image_size,
                       PELS_PER_METER, PELS_PER_METER, colours, colours)


def _palette_bytes(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)


def pack_rgb24(rows):
    """Pixel data of a 24-bit bottom-up DIB."""
    width = len(rows[0])
    stride = _row_bytes(width, 24)
    pad = b"\0" * (stride - width * 3)
    out = bytearray()
    for row in reversed(rows):
        for (r, g, b) in row:
            out += bytes((b, g, r))
        out += pad
    return bytes(out)


def pack_indexed(rows, bpp):
    """Pixel data of a 4- or 8-bit bottom-up DIB from rows of palette indices."""
    width = len(rows[0])
    stride = _row_bytes(width, bpp)
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        if bpp == 8:
            line += bytes(row)
        elif bpp == 4:
            for i in range(0, width, 2):
                hi = row[i]
                lo = row[i + 1] if i + 1 < width else 0
                line.append((hi << 4) | lo)
        else:
            raise ValueError("unsupported bit depth %d" % bpp)
        line += b"\0" * (stride - len(line))
        out += line
    return bytes(out)


def _file_header(total, offset):
    return struct.pack("<2sIHHI", b"BM", total, 0, 0, offset)


def bmp24(rows):
    data = pack_rgb24(rows)
    info = _info_header(len(rows[0]), len(rows), 24, len(data), 0)
    offset = 14 + len(info)
    return _file_header(offset + len(data), offset) + info + data


def bmp_indexed(rows, palette, bpp):
    colours = 1 << bpp
    pal = list(palette) + [(0, 0, 0)] * (colours - len(palette))
    data = pack_indexed(rows, bpp)
    info = _info_header(len(rows[0]), len(rows), bpp, len(data), colours)
    pal_bytes = _palette_bytes(pal)
    offset = 14 + len(info) + len(pal_bytes)
    return _file_header(offset + len(data), offset) + info + pal_bytes + data


def ico(images):
    """images: list of (size, rows of (r, g, b, a) with a in 0..255), smallest first."""
    header = struct.pack("<HHH", 0, 1, len(images))
    blobs = []
    for size, rows in images:
        xor = bytearray()
        mask_stride = _row_bytes(size, 1)
        mask = bytearray()
        for row in reversed(rows):
            bits = bytearray(mask_stride)
            for x, (r, g, b, a) in enumerate(row):
                xor += bytes((b, g, r, a))
                if a == 0:  # the AND mask keeps the screen where the icon is clear
                    bits[x >> 3] |= 0x80 >> (x & 7)
            mask += bits
        info = _info_header(size, size * 2, 32, len(xor) + len(mask), 0)
        # Icon headers leave the resolution and colour counts zero.
        info = info[:24] + b"\0" * 16
        blobs.append(info + bytes(xor) + bytes(mask))
    offset = 6 + 16 * len(images)
    entries = b""
    for (size, _), blob in zip(images, blobs):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return header + entries + b"".join(blobs)


# ---------------------------------------------------------------------------------------
# AVI


def _chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def _list(kind, payload):
    return b"LIST" + struct.pack("<I", 4 + len(payload)) + kind + payload


AVIF_HASINDEX = 0x10
AVIIF_KEYFRAME = 0x10


def avi8(frames, palette, frame_us):
    """An uncompressed 8-bit palettized AVI: frames are rows of palette indices."""
    height = len(frames[0])
    width = len(frames[0][0])
    datas = [pack_indexed(f, 8) for f in frames]
    frame_size = len(datas[0])
    n = len(frames)
    fps_bytes = frame_size * 1000000 // frame_us
    avih = struct.pack("<IIIIIIIIII16x", frame_us, fps_bytes, 0, AVIF_HASINDEX, n, 0, 1,
                       frame_size, width, height)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, frame_us, 1000000,
                       0, n, frame_size, 0xFFFFFFFF, 0, 0, 0, width, height)
    pal = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    strf = _info_header(width, height, 8, frame_size, 256) + _palette_bytes(pal)
    hdrl = _list(b"hdrl", _chunk(b"avih", avih) + _list(b"strl", _chunk(b"strh", strh) +
                                                        _chunk(b"strf", strf)))
    movi_payload = bytearray()
    index = bytearray()
    for d in datas:
        # Offsets in idx1 count from the 'movi' four-character code.
        index += struct.pack("<4sIII", b"00db", AVIIF_KEYFRAME, 4 + len(movi_payload), len(d))
        movi_payload += _chunk(b"00db", d)
    body = b"AVI " + hdrl + _list(b"movi", bytes(movi_payload)) + _chunk(b"idx1", bytes(index))
    return b"RIFF" + struct.pack("<I", len(body)) + body


# ---------------------------------------------------------------------------------------
# Palette quantization (median cut), deterministic.


def median_cut(histogram, count):
    """histogram: dict colour -> pixel count. Returns up to `count` colours."""
    boxes = [sorted(histogram.items())]
    while len(boxes) < count:
        best, best_i = -1, -1
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spread = max(max(c[0][k] for c in box) - min(c[0][k] for c in box) for k in range(3))
            if spread > best:
                best, best_i = spread, i
        if best_i < 0 or best == 0:
            break
        box = boxes.pop(best_i)
        spans = [max(c[0][k] for c in box) - min(c[0][k] for c in box) for k in range(3)]
        axis = spans.index(max(spans))
        box.sort(key=lambda c: (c[0][axis], c[0]))
        total = sum(c[1] for c in box)
        acc, cut = 0, 1
        for j, (_, n) in enumerate(box):
            acc += n
            if acc * 2 >= total:
                cut = max(1, min(len(box) - 1, j + 1))
                break
        boxes.append(box[:cut])
        boxes.append(box[cut:])
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple((sum(c[k] * n for c, n in box) + total // 2) // total
                             for k in range(3)))
    return palette


def quantize(frames, key):
    """Maps frames of (r, g, b) rows onto one palette of at most 256 colours. Index 0 is
    `key` (the clip's background, which the animation control makes transparent), and only
    pixels of exactly that colour map to it."""
    hist = {}
    for f in frames:
        for row in f:
            for c in row:
                if c != key:
                    hist[c] = hist.get(c, 0) + 1
    palette = [key] + sorted(set(median_cut(hist, 255)) - {key})
    cache = {key: 0}

    def nearest(c):
        best, best_d = 1, None
        for i in range(1, len(palette)):
            p = palette[i]
            d = (p[0] - c[0]) ** 2 + (p[1] - c[1]) ** 2 + (p[2] - c[2]) ** 2
            if best_d is None or d < best_d:
                best, best_d = i, d
        return best

    out = []
    for f in frames:
        rows = []
        for row in f:
            line = []
            for c in row:
                idx = cache.get(c)
                if idx is None:
                    idx = cache[c] = nearest(c)
                line.append(idx)
            rows.append(line)
        out.append(rows)
    return palette, out
