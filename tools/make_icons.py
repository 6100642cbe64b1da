#!/usr/bin/env python3
"""Draws the Quorvex control panel icons and writes them as .ico files.

Standard library only, so the icons can be regenerated on any build machine.
Usage: python3 tools/make_icons.py
The output lands in res/icons/ of the repository this file lives in,
whatever the current directory is.
"""

import math
import os
import struct
import sys
import zlib

# Shapes are drawn on a finer grid and averaged down, which gives smooth
# curves while edges placed on whole pixels stay perfectly crisp.
SUPERSAMPLE = 4

FRAME = (45, 55, 72)
OUTLINE = (24, 30, 40)
SCREEN = (66, 128, 206)
WHITE = (255, 255, 255)
YELLOW = (255, 204, 38)
RED = (214, 48, 42)
SPEAKER = (58, 68, 86)
WAVE = (52, 120, 220)
STAND = (92, 104, 122)

# One colour per input, used everywhere an input appears so the buttons
# read consistently across layouts.
INPUT_COLOURS = {
    1: (46, 116, 218),
    2: (36, 150, 80),
    3: (222, 124, 22),
    4: (160, 64, 186),
}

FONT_SMALL = {
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"],
    "3": ["##.", "..#", ".#.", "..#", "##."],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
}

FONT_LARGE = {
    "1": ["..#..", ".##..", "#.#..", "..#..", "..#..", "..#..", "#####"],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
}


class Canvas:
    """RGBA drawing surface measured in icon pixels (floats allowed)."""

    def __init__(self, size, ss=SUPERSAMPLE):
        self.size = size
        self.ss = ss
        self.n = size * ss
        self.px = [None] * (self.n * self.n)

    def _span(self, row, a, b, colour):
        a = max(a, 0)
        b = min(b, self.n)
        if a >= b or not 0 <= row < self.n:
            return
        base = row * self.n
        if len(colour) == 3:
            self.px[base + a:base + b] = [colour + (255,)] * (b - a)
            return
        # Translucent paint: composite over whatever is already there.
        r, g, bl, al = colour
        k = al / 255.0
        for i in range(base + a, base + b):
            old = self.px[i]
            if old is None:
                self.px[i] = colour
                continue
            oa = old[3] / 255.0
            na = k + oa * (1 - k)
            mix = [(c * k + o * oa * (1 - k)) / na for c, o in zip((r, g, bl), old[:3])]
            self.px[i] = (round(mix[0]), round(mix[1]), round(mix[2]), round(na * 255))

    def _sub(self, v):
        # First fine cell whose centre lies at or beyond v.
        return math.ceil(v * self.ss - 0.5)

    def rect(self, x0, y0, x1, y1, colour):
        for row in range(self._sub(y0), self._sub(y1)):
            self._span(row, self._sub(x0), self._sub(x1), colour)

    def round_rect(self, x0, y0, x1, y1, r, colour):
        if r <= 0:
            self.rect(x0, y0, x1, y1, colour)
            return
        for row in range(self._sub(y0), self._sub(y1)):
            yc = (row + 0.5) / self.ss
            dy = max(y0 + r - yc, yc - (y1 - r), 0)
            inset = r - math.sqrt(max(r * r - dy * dy, 0))
            self._span(row, self._sub(x0 + inset), self._sub(x1 - inset), colour)

    def polygon(self, pts, colour):
        ys = [p[1] for p in pts]
        edges = list(zip(pts, pts[1:] + pts[:1]))
        for row in range(self._sub(min(ys)), self._sub(max(ys))):
            yc = (row + 0.5) / self.ss
            xs = []
            for (xa, ya), (xb, yb) in edges:
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                self._span(row, self._sub(xs[i]), self._sub(xs[i + 1]), colour)

    def disc(self, cx, cy, r, colour):
        for row in range(self._sub(cy - r), self._sub(cy + r)):
            dy = (row + 0.5) / self.ss - cy
            if abs(dy) <= r:
                half = math.sqrt(r * r - dy * dy)
                self._span(row, self._sub(cx - half), self._sub(cx + half), colour)

    def arc(self, cx, cy, r, width, a0, a1, colour):
        """Stroke an arc; angles in degrees, counter-clockwise from 3 o'clock."""
        ro, ri = r + width / 2.0, r - width / 2.0
        sweep = (a1 - a0) % 360 or 360
        for row in range(self._sub(cy - ro), self._sub(cy + ro)):
            yc = (row + 0.5) / self.ss
            start = None
            for col in range(self._sub(cx - ro), self._sub(cx + ro) + 1):
                xc = (col + 0.5) / self.ss
                d = math.hypot(xc - cx, yc - cy)
                ang = math.degrees(math.atan2(cy - yc, xc - cx))
                hit = ri <= d <= ro and (ang - a0) % 360 <= sweep
                if hit and start is None:
                    start = col
                elif not hit and start is not None:
                    self._span(row, start, col, colour)
                    start = None
            if start is not None:
                self._span(row, start, self._sub(cx + ro) + 1, colour)

    def line(self, x0, y0, x1, y1, width, colour, caps=True):
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy)
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny),
                      (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], colour)
        if caps:
            self.disc(x0, y0, width / 2, colour)
            self.disc(x1, y1, width / 2, colour)

    def text(self, x, y, glyph, font, scale, colour):
        for j, bits in enumerate(font[glyph]):
            for i, bit in enumerate(bits):
                if bit == "#":
                    self.rect(x + i * scale, y + j * scale,
                              x + (i + 1) * scale, y + (j + 1) * scale, colour)

    def text_centred(self, x0, y0, x1, y1, glyph, font, scale, colour):
        w = len(font[glyph][0]) * scale
        h = len(font[glyph]) * scale
        x = math.floor((x0 + x1 - w) / 2)
        y = math.floor((y0 + y1 - h) / 2)
        self.text(x, y, glyph, font, scale, colour)

    def pixels(self):
        """Average the fine grid down to size x size straight-alpha RGBA rows."""
        out = []
        s, n = self.ss, self.n
        count = s * s
        for y in range(self.size):
            row = []
            for x in range(self.size):
                r = g = b = a = 0
                for j in range(y * s, y * s + s):
                    base = j * n + x * s
                    for p in self.px[base:base + s]:
                        if p is not None:
                            w = p[3]
                            r += p[0] * w
                            g += p[1] * w
                            b += p[2] * w
                            a += w
                if a == 0:
                    row.append((0, 0, 0, 0))
                else:
                    row.append((round(r / a), round(g / a), round(b / a),
                                round(a / count)))
            out.append(row)
        return out


def arrow_head(c, tip, direction, length, half_width, colour):
    dx, dy = direction
    norm = math.hypot(dx, dy)
    dx, dy = dx / norm, dy / norm
    bx, by = tip[0] - dx * length, tip[1] - dy * length
    c.polygon([tip, (bx - dy * half_width, by + dx * half_width),
               (bx + dy * half_width, by - dx * half_width)], colour)


def cycle_badge(c, cx=17.5, cy=17.5):
    """Yellow clockwise arrow on a dark disc: 'step to the next one'."""
    r = 3.6
    c.disc(cx, cy, 6.5, OUTLINE)
    c.arc(cx, cy, r, 1.9, 90, 0, YELLOW)
    arrow_head(c, (cx + 3.4, cy - r), (1, 0), 3.6, 2.6, YELLOW)


def monitor(c, x0, y0, x1, y1, border=2, radius=1.5):
    """Dark screen frame; returns the inner screen rectangle."""
    c.round_rect(x0, y0, x1, y1, radius, FRAME)
    return (x0 + border, y0 + border, x1 - border, y1 - border)


# --- 32x32 layout pictures share one screen rectangle --------------------

SCREEN32 = (0, 3, 32, 29)


def draw_single(n):
    def draw(c):
        x0, y0, x1, y1 = monitor(c, *SCREEN32)
        c.rect(x0, y0, x1, y1, INPUT_COLOURS[n])
        c.text_centred(x0, y0, x1, y1, str(n), FONT_LARGE, 2, WHITE)
    return draw


def draw_quad(c):
    x0, y0, x1, y1 = monitor(c, *SCREEN32)
    cols = [(x0, x0 + 13), (x1 - 13, x1)]
    rows = [(y0, y0 + 10), (y1 - 10, y1)]
    n = 1
    for ya, yb in rows:
        for xa, xb in cols:
            c.rect(xa, ya, xb, yb, INPUT_COLOURS[n])
            c.text_centred(xa, ya, xb, yb, str(n), FONT_LARGE, 1, WHITE)
            n += 1


def draw_dual(a, b):
    def draw(c):
        x0, y0, x1, y1 = monitor(c, *SCREEN32)
        for n, (xa, xb) in zip((a, b), [(x0, x0 + 13), (x1 - 13, x1)]):
            c.rect(xa, y0, xb, y1, INPUT_COLOURS[n])
            c.text_centred(xa, y0, xb, y1, str(n), FONT_SMALL, 3, WHITE)
    return draw


def draw_one_plus_three(n):
    def draw(c):
        x0, y0, x1, y1 = monitor(c, *SCREEN32)
        c.rect(x0, y0, x0 + 19, y1, INPUT_COLOURS[n])
        c.text_centred(x0, y0, x0 + 19, y1, str(n), FONT_LARGE, 2, WHITE)
        others = [k for k in (1, 2, 3, 4) if k != n]
        for i, k in enumerate(others):
            ya = y0 + i * 8
            c.rect(x1 - 7, ya, x1, ya + 6, INPUT_COLOURS[k])
    return draw


def speaker(c, cy):
    c.rect(1, cy - 4, 6, cy + 4, SPEAKER)
    c.polygon([(5, cy - 4), (12, cy - 10), (12, cy + 10), (5, cy + 4)], SPEAKER)


def draw_audio(n):
    def draw(c):
        speaker(c, 13)
        c.arc(11, 13, 5.5, 2.2, -45, 55, WAVE)
        c.arc(11, 13, 10, 2.2, -20, 55, WAVE)
        c.round_rect(19, 17, 32, 32, 2, OUTLINE)
        c.round_rect(20, 18, 31, 31, 1.5, INPUT_COLOURS[n])
        c.text_centred(20, 18, 32, 31, str(n), FONT_SMALL, 2, WHITE)
    return draw


def draw_mute(c):
    speaker(c, 16)
    c.line(18, 11, 28, 21, 3, RED)
    c.line(28, 11, 18, 21, 3, RED)


# --- 24x24 buttons -------------------------------------------------------

SCREEN24 = (0, 2, 24, 20)
SMALL_SCREEN24 = (0, 1, 20, 17)


def draw_standby(c):
    c.arc(12, 13, 8, 2.6, 125, 55, RED)
    c.line(12, 3, 12, 11.5, 2.6, RED)


def draw_mode(c):
    x0, y0, x1, y1 = monitor(c, *SMALL_SCREEN24)
    c.rect(x0, y0, x1, y1, SCREEN)
    c.text(x0 + 2, y0 + 2, "M", FONT_LARGE, 1, WHITE)
    cycle_badge(c)


def draw_resolution(c):
    x0, y0, x1, y1 = monitor(c, *SCREEN24)
    c.rect(x0, y0, x1, y1, SCREEN)
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    c.line(cx - 3.5, cy + 3.5, cx + 3.5, cy - 3.5, 2, WHITE, caps=False)
    for sign in (-1, 1):
        tip = (cx + sign * 6, cy - sign * 6)
        arrow_head(c, tip, (sign, -sign), 4.5, 3.2, WHITE)


def draw_single_switch(c):
    x0, y0, x1, y1 = monitor(c, *SMALL_SCREEN24)
    c.rect(x0, y0, x1, y1, SCREEN)
    cycle_badge(c)


def draw_h_layout(c):
    x0, y0, x1, y1 = monitor(c, *SCREEN24)
    c.rect(x0, y0, x0 + 5, y1, INPUT_COLOURS[1])
    c.rect(x0 + 7, y0, x1 - 7, y0 + 6, INPUT_COLOURS[2])
    c.rect(x0 + 7, y1 - 6, x1 - 7, y1, INPUT_COLOURS[3])
    c.rect(x1 - 5, y0, x1, y1, INPUT_COLOURS[4])


def draw_dual_switch(c):
    x0, y0, x1, y1 = monitor(c, *SMALL_SCREEN24)
    c.rect(x0, y0, x0 + 7, y1, SCREEN)
    c.rect(x1 - 7, y0, x1, y1, SCREEN)
    cycle_badge(c)


def draw_one_plus_three_switch(c):
    x0, y0, x1, y1 = monitor(c, *SMALL_SCREEN24)
    c.rect(x0, y0, x1 - 5, y1, SCREEN)
    for i in range(3):
        c.rect(x1 - 4, y0 + i * 4, x1, y0 + i * 4 + 3, SCREEN)
    cycle_badge(c)


# --- application picture, drawn at any size ------------------------------

def draw_multiviewer(c):
    s = c.size
    u = s / 32.0
    # Small sizes snap to whole pixels so the grid stays sharp; large ones
    # are smooth enough without it.
    snap = round if s < 64 else (lambda v: v)
    border = max(1, snap(2 * u))
    gap = max(1, snap(1.5 * u))
    top, bottom = snap(2 * u), snap(24 * u)
    if s >= 128:
        c.round_rect(0, top, s, bottom, 2 * u, STAND)
        c.round_rect(u * 0.4, top + u * 0.4, s - u * 0.4, bottom, 2 * u, FRAME)
    else:
        c.round_rect(0, top, s, bottom, max(1, 2 * u), FRAME)
    x0, y0, x1, y1 = border, top + border, s - border, bottom - border
    w = (x1 - x0 - gap) / 2
    h = (y1 - y0 - gap) / 2
    if s < 64:
        w, h = math.floor(w), math.floor(h)
    cells = [(x0, y0), (x1 - w, y0), (x0, y1 - h), (x1 - w, y1 - h)]
    for n, (xa, ya) in enumerate(cells, 1):
        c.rect(xa, ya, xa + w, ya + h, INPUT_COLOURS[n])
        if s >= 128:
            # A soft highlight across the top makes the big sizes look less flat.
            c.rect(xa, ya, xa + w, ya + h * 0.45, (255, 255, 255, 38))
        if s >= 48:
            scale = max(1, int(h / 12))
            c.text_centred(xa, ya, xa + w, ya + h, str(n), FONT_LARGE, scale, WHITE)
    neck = max(2, snap(6 * u))
    foot = snap(28 * u)
    c.rect(snap((s - neck) / 2), bottom, snap((s + neck) / 2), foot, STAND)
    base = max(6, snap(16 * u))
    c.round_rect(snap((s - base) / 2), foot, snap((s + base) / 2),
                 max(foot + 1, snap(31 * u)), max(0.5, u), FRAME)


# --- ICO encoding ----------------------------------------------------------

def and_mask(pixels, opaque):
    """1-bit mask rows, bottom-up, each padded to 32 bits; 1 = see-through."""
    size = len(pixels)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if not opaque(p):
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def bitmap_header(size, bpp, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                       image_bytes, 0, 0, colours, 0)


def encode_bmp32(pixels):
    size = len(pixels)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask = and_mask(pixels, lambda p: p[3] > 0)
    return bitmap_header(size, 32, len(colour) + len(mask), 0) + bytes(colour) + mask


# The classic 16-colour palette, so the 4-bit images look right on old displays.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
         (128, 0, 128), (0, 128, 128), (192, 192, 192), (128, 128, 128),
         (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
         (0, 255, 255), (255, 255, 255)]


def nearest(palette, rgb):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], rgb)))


def adaptive_palette(pixels, limit=256):
    counts = {}
    for row in pixels:
        for p in row:
            if p[3] >= 128:
                counts[p[:3]] = counts.get(p[:3], 0) + 1
    ranked = sorted(counts, key=lambda k: (-counts[k], k))
    palette = ranked[:limit]
    return palette + [(0, 0, 0)] * (limit - len(palette))


def encode_bmp_indexed(pixels, bpp):
    size = len(pixels)
    palette = VGA16 if bpp == 4 else adaptive_palette(pixels)
    cache = {}
    stride = ((size * bpp + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, p in enumerate(row):
            idx = 0
            if p[3] >= 128:
                idx = cache.get(p[:3])
                if idx is None:
                    idx = cache[p[:3]] = nearest(palette, p[:3])
            if bpp == 8:
                line[x] = idx
            else:
                line[x // 2] |= idx << (4 if x % 2 == 0 else 0)
        data += line
    mask = and_mask(pixels, lambda p: p[3] >= 128)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    header = bitmap_header(size, bpp, len(data) + len(mask), len(palette))
    return header + table + bytes(data) + mask


def png_chunk(kind, payload):
    crc = zlib.crc32(kind + payload) & 0xFFFFFFFF
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", crc)


def encode_png(pixels):
    size = len(pixels)
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw += bytes(p)
    return (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + png_chunk(b"IEND", b""))


def build_ico(images):
    """images: list of (size, bpp, encoded bytes)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    directory, blobs = b"", b""
    for size, bpp, blob in images:
        dim = 0 if size >= 256 else size
        colours = 16 if bpp == 4 else 0
        directory += struct.pack("<BBBBHHII", dim, dim, colours, 0, 1, bpp,
                                 len(blob), offset)
        offset += len(blob)
        blobs += blob
    return header + directory + blobs


def render(draw, size):
    c = Canvas(size)
    draw(c)
    return c.pixels()


def encode(draw, size, bpp=32):
    pixels = render(draw, size)
    if bpp == 32:
        return (size, 32, encode_png(pixels) if size >= 256 else encode_bmp32(pixels))
    return (size, bpp, encode_bmp_indexed(pixels, bpp))


def read_ico(data):
    """Parse an .ico back into [(width, height, bpp, kind)], checking the layout."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon file")
    found = []
    for i in range(count):
        w, h, _, _, _, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w, h = w or 256, h or 256
        blob = data[offset:offset + length]
        if len(blob) != length:
            raise ValueError("image %d runs past the end of the file" % i)
        if blob.startswith(b"\x89PNG"):
            pw, ph = struct.unpack_from(">II", blob, 16)
            if (pw, ph) != (w, h):
                raise ValueError("PNG size does not match the directory")
            found.append((w, h, bpp, "png"))
            continue
        _, bw, bh, _, bbpp, _, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", blob, 0)
        if (bw, bh, bbpp) != (w, 2 * h, bpp):
            raise ValueError("bitmap header does not match the directory")
        colours = used or (1 << bpp if bpp <= 8 else 0)
        xor = ((w * bpp + 31) // 32) * 4 * h
        mask = ((w + 31) // 32) * 4 * h
        if length != 40 + 4 * colours + xor + mask:
            raise ValueError("image %d has the wrong byte count" % i)
        found.append((w, h, bpp, "bmp"))
    return found


ICONS = {
    127: ("application.ico", [(s, 32) for s in (16, 32, 48, 128)]
          + [(16, 8), (32, 8), (16, 4), (32, 4)], draw_multiviewer),
    128: ("about.ico", [(s, 32) for s in (16, 24, 32, 48, 256)], draw_multiviewer),
    159: ("standby.ico", [(24, 32)], draw_standby),
    160: ("mode_switch.ico", [(24, 32)], draw_mode),
    161: ("resolution_switch.ico", [(24, 32)], draw_resolution),
    162: ("audio_1.ico", [(32, 32)], draw_audio(1)),
    163: ("audio_2.ico", [(32, 32)], draw_audio(2)),
    164: ("audio_3.ico", [(32, 32)], draw_audio(3)),
    165: ("audio_4.ico", [(32, 32)], draw_audio(4)),
    166: ("mute.ico", [(32, 32)], draw_mute),
    167: ("single_switch.ico", [(24, 32)], draw_single_switch),
    168: ("single_1.ico", [(32, 32)], draw_single(1)),
    169: ("single_2.ico", [(32, 32)], draw_single(2)),
    170: ("single_3.ico", [(32, 32)], draw_single(3)),
    171: ("single_4.ico", [(32, 32)], draw_single(4)),
    172: ("quad.ico", [(32, 32)], draw_quad),
    173: ("h_layout.ico", [(24, 32)], draw_h_layout),
    174: ("dual_switch.ico", [(24, 32)], draw_dual_switch),
    175: ("dual_1_2.ico", [(32, 32)], draw_dual(1, 2)),
    177: ("one_plus_three_switch.ico", [(24, 32)], draw_one_plus_three_switch),
    178: ("one_plus_three_1.ico", [(32, 32)], draw_one_plus_three(1)),
    179: ("one_plus_three_2.ico", [(32, 32)], draw_one_plus_three(2)),
    180: ("one_plus_three_3.ico", [(32, 32)], draw_one_plus_three(3)),
    181: ("one_plus_three_4.ico", [(32, 32)], draw_one_plus_three(4)),
    186: ("dual_3_4.ico", [(32, 32)], draw_dual(3, 4)),
}


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = os.path.join(root, "res", "icons")
    os.makedirs(out_dir, exist_ok=True)
    for res_id, (name, formats, draw) in sorted(ICONS.items()):
        path = os.path.join(out_dir, "%d_%s" % (res_id, name))
        data = build_ico([encode(draw, size, bpp) for size, bpp in formats])
        # Read it back so a broken encoder fails the build, not the resource compiler.
        found = read_ico(data)
        if [(w, bpp) for w, _, bpp, _ in found] != formats:
            raise SystemExit("%s: images do not match what was drawn" % path)
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %s" % (os.path.relpath(path, root),
                          ", ".join("%dx%d@%d" % (w, h, b) for w, h, b, _ in found)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
