#!/usr/bin/env python3
"""Draw the vxUninstall application icon procedurally and write the .ico.

Standard library only (no PIL), so anyone can regenerate the icon with a
plain Python 3.  Shapes are described as signed distance functions (SDFs)
in unit coordinates (0..1 across the icon) and rendered with supersampling;
the SDF also gives sub-sample coverage, so edges come out smooth.

Output (paths relative to this script):
  ../vxUninstall.ico  16, 24, 32, 48 (BMP/DIB + AND mask) and 256 (PNG)
  preview.png         all sizes side by side, plus zoomed small sizes
"""
import math
import os
import struct
import zlib

SIZES = (16, 24, 32, 48, 256)
HERE = os.path.dirname(os.path.abspath(__file__))


def hexc(s):
    return tuple(int(s[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def clamp(x, lo=0.0, hi=1.0):
    return lo if x < lo else hi if x > hi else x


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


# ---------------------------------------------------------------- geometry
def sd_poly(px, py, pts):
    """Signed distance to a convex polygon (negative inside)."""
    best, sign, inside = 1e9, 0, True
    for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]):
        ex, ey, wx, wy = bx - ax, by - ay, px - ax, py - ay
        t = clamp((wx * ex + wy * ey) / (ex * ex + ey * ey))
        best = min(best, (wx - ex * t) ** 2 + (wy - ey * t) ** 2)
        s = 1 if ex * wy - ey * wx > 0 else -1   # side of this edge
        inside = inside and sign in (0, s)
        sign = s
    d = math.sqrt(best)
    return -d if inside else d


def hull(points):
    """Convex hull (monotone chain); used to extrude the eraser downwards."""
    pts = sorted(set(points))

    def half(seq):
        out = []
        for p in seq:
            while len(out) >= 2 and ((out[-1][0] - out[-2][0]) * (p[1] - out[-2][1]) -
                                     (out[-1][1] - out[-2][1]) * (p[0] - out[-2][0])) <= 0:
                out.pop()
            out.append(p)
        return out
    lo, hi = half(pts), half(reversed(pts))
    return lo[:-1] + hi[:-1]


def sd_round_rect(px, py, x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    qx = abs(px - cx) - (x1 - x0) / 2 + r
    qy = abs(py - cy) - (y1 - y0) / 2 + r
    return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r


def sparkle(cx, cy, a, b):
    """Four-point star as two crossed thin diamonds."""
    return ([(cx, cy - a), (cx + b, cy), (cx, cy + a), (cx - b, cy)],
            [(cx - a, cy), (cx, cy - b), (cx + a, cy), (cx, cy + b)])


# ---------------------------------------------------------------- palette
CARD_TOP, CARD_BOT = hexc("#FFFFFF"), hexc("#DDEBFA")
CARD_EDGE = hexc("#A9C1DE")
SHADOW = hexc("#1B2C48")
PINK, PINK_HI = hexc("#F26D8C"), hexc("#F995AC")
PINK_SIDE, PINK_LINE = hexc("#D0486A"), hexc("#B13A5A")
SLEEVE, SLEEVE_LO = hexc("#FFFFFF"), hexc("#E8EFF8")
SLEEVE_SIDE, SLEEVE_LINE = hexc("#BFCDE0"), hexc("#9FB2CC")
SWEEP, SPARK = hexc("#8DBFF0"), hexc("#5FA6EE")


class Icon:
    """Layout for one pixel size; small sizes drop detail to stay crisp."""

    def __init__(self, size):
        self.size = size
        px = 1.0 / size
        # 0: eraser + card only, 1: + big sparkle and seams, 2: + small sparkle.
        self.detail = 2 if size >= 48 else 1 if size >= 32 else 0
        # Card snapped to whole pixels so its edges stay sharp at 16/24/32.
        snap = lambda v: round(v * size) / size
        self.card = (snap(0.06), snap(0.07), snap(0.94), snap(0.86))
        self.card_r = max(0.12, 2.5 * px)
        self.edge_w = px if size < 256 else 2 * px
        # Eraser: rounded bar tilted 30 degrees, extruded down for thickness.
        a = math.radians(30 if size >= 32 else 35)
        self.u = (math.cos(a), -math.sin(a))        # long axis (screen y down)
        self.v = (math.sin(a), math.cos(a))         # across, points to lower side
        self.c = (0.53, 0.56) if size >= 32 else (0.52, 0.55)
        self.L = 0.35 if size >= 32 else 0.38       # half length
        self.W = 0.14 if size >= 32 else 0.17       # half width
        self.r = 0.055
        self.depth = 0.075 if size >= 32 else 0.09
        self.line_w = max(px, 0.009)
        # Tiny sizes get a fully opaque outline and edge: contrast beats nuance.
        self.line_a = 1.0 if size < 32 else 0.8
        self.edge_a = 0.95 if size < 32 else 0.7
        self.band = (-0.12, 0.50)                   # sleeve, fraction of L
        L, W, r = self.L - self.r, self.W - self.r, self.r
        self.top = [self.to_screen(x, y) for x, y in ((-L, -W), (L, -W), (L, W), (-L, W))]
        self.body = hull(self.top + [(x, y + self.depth) for x, y in self.top])
        # Sparkle centres sit on pixel centres so the star's arms stay 1px crisp.
        mid = lambda v: (math.floor(v * size) + 0.5) / size
        self.spark1 = sparkle(mid(0.24), mid(0.25), 0.095, max(0.022, 0.6 * px))
        self.spark2 = sparkle(mid(0.37), mid(0.15), 0.045, max(0.012, 0.5 * px))

    def to_screen(self, x, y):
        return (self.c[0] + x * self.u[0] + y * self.v[0],
                self.c[1] + x * self.u[1] + y * self.v[1])

    def local(self, px, py):
        dx, dy = px - self.c[0], py - self.c[1]
        return dx * self.u[0] + dy * self.u[1], dx * self.v[0] + dy * self.v[1]

    def in_sleeve(self, x):
        """Along the long axis: pink tip, light sleeve band, pink back end."""
        return self.band[0] <= x / self.L <= self.band[1]

    def sample(self, px, py, aa):
        """Premultiplied RGBA at one point; layers composited back to front."""
        out = [0.0, 0.0, 0.0, 0.0]

        def over(col, a):
            if a > 0:
                out[:] = [c * a + o * (1 - a) for c, o in zip(col + (1.0,), out)]

        cov = lambda d: clamp(0.5 - d / aa)
        x0, y0, x1, y1 = self.card
        # Card drop shadow: a blurred copy of the card, a little lower.
        sd = sd_round_rect(px, py - 0.025, x0 + 0.01, y0, x1 - 0.01, y1, self.card_r)
        over(SHADOW, 0.22 * (1 - smoothstep(-0.04, 0.045, sd)))
        dc = sd_round_rect(px, py, x0, y0, x1, y1, self.card_r)
        if dc < aa:
            t = clamp((py - y0) / (y1 - y0))
            over(mix(CARD_TOP, CARD_BOT, t), cov(dc))
            # Thin edge so the card reads on white backgrounds too.
            over(CARD_EDGE, self.edge_a * cov(dc) * (1 - cov(dc + self.edge_w)))
        if self.detail >= 1:
            for a, b in (self.spark1, self.spark2) if self.detail >= 2 else (self.spark1,):
                over(SPARK, cov(min(sd_poly(px, py, a), sd_poly(px, py, b))))
        if self.size >= 64:  # motion marks only turn to noise at 48 and below
            self.sweep(px, py, aa, over)
        # Eraser contact shadow on the card.
        ds = sd_poly(px - 0.02, py - 0.05, self.body) - self.r
        over(SHADOW, 0.30 * (1 - smoothstep(-0.03, 0.05, ds)))
        db = sd_poly(px, py, self.body) - self.r
        if db < aa:
            x, y = self.local(px, py)
            dt = sd_poly(px, py, self.top) - self.r
            if dt > 0:
                # Side face: trace straight up to the lower edge to find the
                # band colour there, so the sleeve wraps around the thickness.
                s = max(0.0, (y - self.W) / self.v[1])
                sleeve = self.in_sleeve(x - s * self.u[1])
                col = SLEEVE_SIDE if sleeve else PINK_SIDE
            else:
                # Top face: lighter towards its upper edge.
                sleeve = self.in_sleeve(x)
                t = smoothstep(-self.W, self.W * 0.6, y)
                col = mix(SLEEVE, SLEEVE_LO, t) if sleeve else mix(PINK_HI, PINK, t)
            over(col, cov(db))
            line = SLEEVE_LINE if sleeve else PINK_LINE
            # Crease between top and side faces.
            over(line, 0.35 * cov(abs(dt) - self.line_w * 0.5) * cov(db))
            if self.detail >= 1:
                f = x / self.L
                for b in self.band:  # seams of the sleeve on the top face
                    d = abs((f - b) * self.L) - self.line_w * 0.5
                    over(SLEEVE_LINE, 0.55 * cov(d) * cov(dt))
            # Outer outline keeps the silhouette crisp on any background.
            over(line, self.line_a * cov(db) * (1 - cov(db + self.line_w)))
        return out

    def sweep(self, px, py, aa, over):
        """Two tapered arcs curling round the tip: the 'wiping' motion marks."""
        for R, a0, a1, w0 in ((0.16, 196, 256, 0.015), (0.225, 206, 246, 0.011)):
            cx, cy = 0.285, 0.655
            a0, a1 = math.radians(a0), math.radians(a1)
            ang = math.atan2(py - cy, px - cx) % (2 * math.pi)
            t = clamp((ang - a0) / (a1 - a0))
            w = w0 * (1 - abs(2 * t - 1) ** 2) + 0.002   # thin at both ends
            if a0 <= ang <= a1:
                d = abs(math.hypot(px - cx, py - cy) - R) - w
            else:
                d = min(math.hypot(px - cx - R * math.cos(e), py - cy - R * math.sin(e))
                        for e in (a0, a1)) - w
            over(SWEEP, 0.9 * clamp(0.5 - d / aa))


def render(size):
    """Box-filtered supersampling; returns straight-alpha RGBA bytes."""
    ico = Icon(size)
    ss = 3 if size >= 256 else 5
    aa = 1.0 / (size * ss)
    data = bytearray()
    for j in range(size):
        for i in range(size):
            acc = [0.0] * 4
            for sj in range(ss):
                for si in range(ss):
                    s = ico.sample((i + (si + 0.5) / ss) / size,
                                   (j + (sj + 0.5) / ss) / size, aa)
                    for k in range(4):
                        acc[k] += s[k]
            n = ss * ss
            a = acc[3] / n
            if a < 1.0 / 255:
                data += b"\0\0\0\0"
                continue
            rgb = [clamp(acc[k] / n / a) for k in range(3)]
            data += bytes(int(v * 255 + 0.5) for v in rgb + [a])
    return bytes(data)


# ---------------------------------------------------------------- encoders
def png_bytes(w, h, rgba):
    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body +
                struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + rgba[y * w * 4:(y + 1) * w * 4] for y in range(h))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(size, rgba):
    """Classic icon image: BITMAPINFOHEADER, bottom-up BGRA, 1-bit AND mask."""
    stride = ((size + 31) // 32) * 4  # mask rows are padded to 32 bits
    # Height is doubled: colour image plus AND mask, as icons require.
    hdr = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                      size * size * 4 + stride * size, 0, 0, 0, 0)
    rows, mask_rows = [], []
    for y in reversed(range(size)):
        row = rgba[y * size * 4:(y + 1) * size * 4]
        rows.append(b"".join(bytes((row[i + 2], row[i + 1], row[i], row[i + 3]))
                             for i in range(0, len(row), 4)))
        bits = bytearray(stride)
        for x in range(size):
            if row[x * 4 + 3] == 0:  # fully transparent -> mask bit set
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask_rows.append(bytes(bits))
    return hdr + b"".join(rows) + b"".join(mask_rows)


def ico_bytes(images):
    blobs = [png_bytes(s, s, px) if s >= 256 else dib_bytes(s, px) for s, px in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (s, _), blob in zip(images, blobs):
        dim = 0 if s >= 256 else s  # 0 means 256 in the directory entry
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def preview(images, bg=(0xE4, 0xE6, 0xEA), pad=16, zoom=4):
    """Top row: every size at 1:1. Bottom row: small sizes enlarged 4x."""
    big = max(s for s, _ in images)
    small = [(s, px) for s, px in images if s < 64]
    w1 = pad + sum(s + pad for s, _ in images)
    w2 = pad + sum(s * zoom + pad for s, _ in small)
    W = max(w1, w2)
    H = pad + big + pad + max(s for s, _ in small) * zoom + pad
    canvas = [list(bg) for _ in range(W * H)]

    def blit(ox, oy, s, px, z):
        for y in range(s * z):
            for x in range(s * z):
                o = ((y // z) * s + x // z) * 4
                a = px[o + 3] / 255.0
                c = canvas[(oy + y) * W + ox + x]
                for k in range(3):
                    c[k] = int(px[o + k] * a + c[k] * (1 - a) + 0.5)
    x = pad
    for s, px in images:
        blit(x, pad + big - s, s, px, 1)
        x += s + pad
    x = pad
    for s, px in small:
        blit(x, pad + big + pad, s, px, zoom)
        x += s * zoom + pad
    flat = bytes(v for c in canvas for v in c + [255])
    return png_bytes(W, H, flat)


def main():
    images = [(s, render(s)) for s in SIZES]
    with open(os.path.join(HERE, "..", "vxUninstall.ico"), "wb") as f:
        f.write(ico_bytes(images))
    with open(os.path.join(HERE, "preview.png"), "wb") as f:
        f.write(preview(images))


if __name__ == "__main__":
    main()
