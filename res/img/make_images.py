#!/usr/bin/env python3
"""Draw the uninstaller's embedded pictures and write them as RGBA PNGs.

Standard library only (no PIL): every shape is a signed distance function
in pixel units, and a pixel's coverage is taken from the distance at its
centre, which gives smooth, crisp edges at 100% scale. The one text (the
crash banner) is rasterised by ImageMagick's `convert` with the WenQuanYi
Micro Hei font that tools/setup.sh installs, read back as a grey mask.

Writes, beside this script, img<id>.png for every picture of the "IMG"
resource table of res/vxUninstall.rc, plus preview.png (all of them on a
neutral backdrop, for review). Run: python3 res/img/make_images.py
"""
import math
import os
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
# The hull and the PNG writer are the icon script's.
sys.path.insert(0, os.path.join(HERE, "..", "icon"))
from make_icon import hull, png_bytes  # noqa: E402
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"


# ---------------------------------------------------------------- colour
def hexc(s, a=1.0):
    return tuple(int(s[i:i + 2], 16) / 255.0 for i in (1, 3, 5)) + (a,)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def clamp(x, lo=0.0, hi=1.0):
    return lo if x < lo else hi if x > hi else x


WHITE = hexc("#FFFFFF")
INK = hexc("#1F2633")
# The icon's pink eraser and blue sparkles carry over into every picture.
PINK, PINK_HI, PINK_LO = hexc("#F26D8C"), hexc("#FF92AD"), hexc("#E45A7C")
PINK_EDGE, PINK_DEEP = hexc("#D0486A"), hexc("#B13A5A")
ROSE_TINT = hexc("#FDEBF0")
BLUE, BLUE_LO, BLUE_TINT = hexc("#5FA6EE"), hexc("#3F86D6"), hexc("#E6F1FC")
GREY_BORDER, GREY_LINE = hexc("#CCD3DD"), hexc("#E3E7ED")
SHADOW = hexc("#1B2C48")


# ---------------------------------------------------------------- shapes
def sd_rrect(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def f(px, py):
        qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return f


def sd_circle(cx, cy, r):
    return lambda px, py: math.hypot(px - cx, py - cy) - r


def sd_capsule(ax, ay, bx, by, r):
    ex, ey = bx - ax, by - ay
    ll = ex * ex + ey * ey or 1e-9

    def f(px, py):
        t = clamp(((px - ax) * ex + (py - ay) * ey) / ll)
        return math.hypot(px - ax - ex * t, py - ay - ey * t) - r
    return f


def sd_arc(cx, cy, R, a0, a1, r):
    """Stroke of width 2r along a circle from angle a0 to a1 (degrees,
    screen coordinates, clockwise), with round ends."""
    a0, a1 = math.radians(a0), math.radians(a1)
    ends = [(cx + R * math.cos(a), cy + R * math.sin(a)) for a in (a0, a1)]

    def f(px, py):
        ang = (math.atan2(py - cy, px - cx) - a0) % (2 * math.pi)
        if ang <= (a1 - a0) % (2 * math.pi):
            return abs(math.hypot(px - cx, py - cy) - R) - r
        return min(math.hypot(px - x, py - y) for x, y in ends) - r
    return f


def sd_poly(pts):
    """Convex polygon, points in either order."""
    area = sum(ax * by - bx * ay for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]))
    if area < 0:
        pts = pts[::-1]
    edges = list(zip(pts, pts[1:] + pts[:1]))

    def f(px, py):
        best, inside = 1e9, True
        for (ax, ay), (bx, by) in edges:
            ex, ey, wx, wy = bx - ax, by - ay, px - ax, py - ay
            t = clamp((wx * ex + wy * ey) / (ex * ex + ey * ey))
            best = min(best, (wx - ex * t) ** 2 + (wy - ey * t) ** 2)
            inside = inside and ex * wy - ey * wx >= 0
        d = math.sqrt(best)
        return -d if inside else d
    return f


def union(*fs):
    return lambda px, py: min(f(px, py) for f in fs)


def moved(f, dx, dy):
    return lambda px, py: f(px - dx, py - dy)


def cover(d):
    return clamp(0.5 - d)


def vgrad(y0, y1, c0, c1):
    return lambda px, py: mix(c0, c1, clamp((py - y0) / (y1 - y0)))


# ---------------------------------------------------------------- canvas
class Canvas:
    """Premultiplied RGBA floats; layers are composited with 'over'."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]

    def paint(self, shape, colour, clip=None, box=None, opacity=1.0, coverage=cover):
        """Fills shape (an SDF) with colour (RGBA or a function of x, y),
        optionally intersected with clip (another SDF), within box."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        for y in range(y0, y1):
            cy = y + 0.5
            for x in range(x0, x1):
                cx = x + 0.5
                a = coverage(shape(cx, cy))
                if a <= 0:
                    continue
                if clip:
                    a *= cover(clip(cx, cy))
                    if a <= 0:
                        continue
                c = colour(cx, cy) if callable(colour) else colour
                a *= c[3] * opacity
                p = self.px[y * self.w + x]
                for k in range(3):
                    p[k] = c[k] * a + p[k] * (1 - a)
                p[3] = a + p[3] * (1 - a)

    def shadow(self, shape, sigma, colour, opacity, box=None):
        """A Gaussian-blurred copy of shape: the blur of an edge is erfc."""
        k = 1.0 / (sigma * math.sqrt(2))
        self.paint(shape, colour, box=box, opacity=opacity,
                   coverage=lambda d: 0.5 * math.erfc(d * k))

    def stroke_inside(self, shape, width, colour, clip=None, box=None):
        """A line of the given width along the inside of shape's edge."""
        self.paint(lambda px, py: abs(shape(px, py) + width / 2) - width / 2, colour,
                   clip=clip, box=box)

    def mask(self, grey, mw, mh, ox, oy, colour):
        """Blends colour through an 8-bit coverage mask placed at (ox, oy)."""
        for j in range(mh):
            for i in range(mw):
                x, y = ox + i, oy + j
                a = grey[j * mw + i] / 255.0 * colour[3]
                if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
                    continue
                p = self.px[y * self.w + x]
                for k in range(3):
                    p[k] = colour[k] * a + p[k] * (1 - a)
                p[3] = a + p[3] * (1 - a)

    def cut(self, points):
        """Makes the listed pixels fully transparent."""
        for x, y in points:
            self.px[y * self.w + x] = [0.0, 0.0, 0.0, 0.0]

    def rgba(self):
        out = bytearray()
        for r, g, b, a in self.px:
            if a < 0.5 / 255:
                out += b"\0\0\0\0"
                continue
            out += bytes(int(clamp(v / a) * 255 + 0.5) for v in (r, g, b)) + \
                bytes((int(clamp(a) * 255 + 0.5),))
        return bytes(out)


def strip(frames):
    """Joins equal-sized canvases side by side into one state strip."""
    w, h = frames[0].w, frames[0].h
    out = Canvas(w * len(frames), h)
    for i, f in enumerate(frames):
        for y in range(h):
            out.px[y * out.w + i * w:y * out.w + (i + 1) * w] = f.px[y * w:(y + 1) * w]
    return out


def text_mask(text, size, weight=400):
    """Anti-aliased text as a grey coverage mask: (bytes, width, height)."""
    pgm = subprocess.run(
        ["convert", "-background", "black", "-fill", "white", "-font", FONT,
         "-weight", str(weight), "-pointsize", str(size), "-density", "72",
         "label:" + text, "-trim", "+repage", "-depth", "8", "pgm:-"],
        check=True, capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maximum
        while pgm[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not pgm[end:end + 1].isspace():
            end += 1
        fields.append(pgm[pos:end])
        pos = end
    w, h = int(fields[1]), int(fields[2])
    return pgm[pos + 1:pos + 1 + w * h], w, h


# ---------------------------------------------------------------- pictures
def card():
    """60052, 437 x 141: the main window's white card with a soft shadow.
    The prompt sits at (35, 57) and the buttons at y 59..88 inside it."""
    c = Canvas(437, 141)
    body = sd_rrect(6, 4, 431, 133, 10)
    c.shadow(moved(body, 0, 2.5), 3.2, SHADOW, 0.16)
    c.shadow(moved(body, 0, 0.5), 0.9, SHADOW, 0.10)
    c.paint(body, WHITE)
    # A soft pink wash in the top right corner and two of the icon's
    # sparkles keep the card from looking empty above the prompt.
    c.paint(sd_circle(430, -38, 90), ROSE_TINT, clip=body, box=(320, 4, 431, 60))
    for cx, cy, a, b in ((396.5, 22.5, 7.5, 1.6), (410.5, 12.5, 4, 1.0)):
        c.paint(union(sd_poly([(cx, cy - a), (cx + b, cy), (cx, cy + a), (cx - b, cy)]),
                      sd_poly([(cx - a, cy), (cx, cy - b), (cx + a, cy), (cx, cy + b)])),
                BLUE, box=(cx - a - 1, cy - a - 1, cx + a + 1, cy + a + 1))
    c.stroke_inside(body, 1, GREY_LINE)
    return c


def big_button(primary, state):
    """One 29 x 29 frame of 60073 (cancel) or 60074 (uninstall); drawn
    68 wide with 8-pixel caps, so columns 8 to 20 must not vary."""
    c = Canvas(29, 29)
    body = sd_rrect(0, 0, 29, 28, 6)
    c.shadow(moved(body, 0, 1), 0.6, SHADOW, 0.10 if state < 2 else 0.04)
    if primary:
        top, bot, edge = [(PINK_HI, PINK, PINK_EDGE),
                          (hexc("#FFA3BA"), hexc("#F77B98"), PINK_EDGE),
                          (PINK_LO, hexc("#DC5276"), PINK_DEEP)][state]
    else:
        top, bot, edge = [(WHITE, hexc("#F1F4F8"), GREY_BORDER),
                          (WHITE, hexc("#FDEEF3"), hexc("#F0A3B8")),
                          (hexc("#E9EDF2"), hexc("#E1E6EC"), hexc("#B9C1CD"))][state]
    c.paint(body, vgrad(0, 28, top, bot))
    if state < 2:  # raised: a light top rim
        c.paint(lambda px, py: max(body(px, py + 1), -body(px, py)) if py < 3 else 9,
                hexc("#FFFFFF", 0.45))
    else:  # pressed: a shadow along the inner top edge
        c.paint(lambda px, py: max(body(px, py - 1.2), -body(px, py)),
                hexc("#000000", 0.10), clip=body)
    c.stroke_inside(body, 1, edge)
    return c


def small_button(state):
    """60001 + state, 69 x 21: the default push button, drawn 70 x 25 with
    2-pixel caps and bands. States: normal, hover, pressed, clicked,
    disabled."""
    c = Canvas(69, 21)
    body = sd_rrect(0, 0, 69, 21, 2)
    top, bot, edge = [(WHITE, hexc("#EEF1F5"), GREY_BORDER),
                      (WHITE, hexc("#FDEEF3"), hexc("#EE9BB2")),
                      (hexc("#E6EAF0"), hexc("#DEE3EA"), hexc("#B5BECB")),
                      (WHITE, hexc("#FBE9EF"), hexc("#EE9BB2")),
                      (hexc("#F6F7F9"), hexc("#F6F7F9"), hexc("#DDE1E7"))][state]
    c.paint(body, vgrad(0, 21, top, bot))
    c.stroke_inside(body, 1, edge)
    return c


def close_button(state):
    """60006 + state, 38 x 18: the message box's close cross on the pink
    title band: normal, hover, pressed."""
    c = Canvas(38, 18)
    if state:
        c.paint(sd_rrect(3, 1, 35, 17, 3),
                hexc("#FFFFFF", 0.24) if state == 1 else hexc("#7A1F3D", 0.22))
    cx, cy, s, w = 19, 9, 4.0, 0.85
    c.paint(union(sd_capsule(cx - s, cy - s, cx + s, cy + s, w),
                  sd_capsule(cx - s, cy + s, cx + s, cy - s, w)), WHITE)
    return c


def dialog():
    """60051, 186 x 150: the default dialog, stretched in nine parts with
    3-pixel caps and 30-pixel bands: a pink title band for the white title,
    a white body, a one-pixel frame. The window clips two pixels off each
    corner; those pixels are left transparent too."""
    c = Canvas(186, 150)
    whole = sd_rrect(0, 0, 186, 150, 0)
    c.paint(whole, WHITE)
    c.paint(whole, vgrad(0, 30, hexc("#F47C9A"), hexc("#E9607F")), box=(0, 0, 186, 30))
    c.paint(whole, hexc("#D9557A"), box=(0, 29, 186, 30))
    c.stroke_inside(whole, 1, hexc("#D0486A"), box=(0, 0, 186, 30))
    c.stroke_inside(whole, 1, hexc("#C9D0DA"), box=(0, 30, 186, 150))
    w, h = c.w, c.h
    c.cut([(0, 0), (1, 0), (0, 1), (w - 2, 0), (w - 1, 0), (w - 1, 1),
           (0, h - 1), (1, h - 1), (0, h - 2), (w - 2, h - 1), (w - 1, h - 1), (w - 1, h - 2)])
    return c


def msg_picture(question):
    """60056 (OK only: information) and 60057 (OK and Cancel: question),
    32 x 32, drawn on the white body of the message box."""
    c = Canvas(32, 32)
    disc = sd_circle(16, 16, 14.5)
    hi, lo = (PINK_HI, PINK_LO) if question else (hexc("#7DB8F3"), BLUE_LO)
    c.shadow(moved(disc, 0, 0.8), 0.7, SHADOW, 0.12)
    c.paint(disc, vgrad(2, 30, hi, lo))
    if question:
        glyph = union(sd_arc(16, 12.2, 4.3, 180, 60, 1.45),
                      sd_capsule(18.15, 15.9, 16, 18.2, 1.45), sd_circle(16, 23.4, 1.75))
    else:
        glyph = union(sd_circle(16, 9.3, 1.9), sd_capsule(16, 14, 16, 23.5, 1.5))
    c.paint(glyph, WHITE)
    return c


def crash_picture():
    """60061, 256 x 80: a sad face and a red banner saying that the program
    met a problem and will close."""
    c = Canvas(256, 80)
    face = sd_circle(38, 40, 29)
    c.shadow(moved(face, 0, 1.5), 1.5, SHADOW, 0.14)
    c.paint(face, vgrad(11, 69, hexc("#FFE08A"), hexc("#FFC53D")))
    c.stroke_inside(face, 1.2, hexc("#E3A22B"))
    for ex in (28, 48):
        c.paint(sd_circle(ex, 35, 3.4), hexc("#5A4632"))
        c.paint(sd_circle(ex + 1.1, 33.9, 1.1), WHITE)
        # Brows slanting up towards the middle: a worried look.
        c.paint(sd_capsule(ex - 5 if ex < 38 else ex + 5, 27.5, ex + 3 if ex < 38 else ex - 3,
                           25.5, 1.1), hexc("#8A6A3E"))
    c.paint(sd_arc(38, 61, 11, 235, 305, 1.5), hexc("#5A4632"))
    tear = union(sd_circle(50.5, 45, 2.6), sd_poly([(48.2, 43.8), (52.8, 43.8), (50.5, 38.8)]))
    c.paint(tear, vgrad(38, 48, hexc("#A9D2FA"), BLUE))

    banner = union(sd_rrect(80, 17, 252, 63, 8),
                   sd_poly([(81, 33), (81, 47), (72.5, 40)]))
    c.shadow(moved(banner, 0, 1.5), 1.6, hexc("#7A1020"), 0.20)
    c.paint(banner, vgrad(17, 63, hexc("#F25A63"), hexc("#D93A48")))
    c.paint(lambda px, py: max(banner(px, py + 1), -banner(px, py)) if py < 22 else 9,
            hexc("#FFFFFF", 0.30))
    for text, size, weight, y in (("抱歉，程序出现问题", 15, 700, 24), ("即将自动关闭", 12, 400, 44)):
        grey, mw, mh = text_mask(text, size, weight)
        c.mask(grey, mw, mh, 166 - mw // 2, y, WHITE if weight > 400 else hexc("#FFFFFF", 0.9))
    return c


def progress():
    """60026, 279 x 23: the pink strip that the eraser rubs out; drawn cut
    from the left, so it must look right wherever it is cut."""
    c = Canvas(279, 23)
    bar = sd_rrect(0, 0, 279, 23, 11.5)
    c.paint(bar, vgrad(0, 23, hexc("#FF9BB4"), hexc("#EE6587")))
    # Gentle diagonal stripes, 14 pixels apart.
    c.paint(lambda px, py: abs(((px + py * 0.9) % 14) - 7) - 3.2, hexc("#FFFFFF", 0.16), clip=bar)
    c.paint(lambda px, py: max(bar(px, py + 1.2), -bar(px, py)) if py < 6 else 9,
            hexc("#FFFFFF", 0.45))
    c.stroke_inside(bar, 1, hexc("#DE5479", 0.85))
    return c


def eraser():
    """60027, 137 x 157: a friendly eraser standing on its tip. Its tip
    rubs the strip at about y 120..145 and x 15..55 of this picture and
    covers the strip's cut edge there; the rest rises up and to the right,
    above the card."""
    c = Canvas(137, 157)
    ang = math.radians(70)
    u = (math.cos(ang), -math.sin(ang))   # along the eraser, towards the top
    v = (math.sin(ang), math.cos(ang))    # across it, towards its lower side
    base = (38.0, 138.0)                  # middle of the tip's end
    L, W, r, depth = 118.0, 22.0, 8.0, 9.0

    def at(s, t):
        return (base[0] + s * u[0] + t * v[0], base[1] + s * u[1] + t * v[1])

    def local(px, py):
        dx, dy = px - base[0], py - base[1]
        return dx * u[0] + dy * u[1], dx * v[0] + dy * v[1]

    face_pts = [at(r, -W + r), at(L - r, -W + r), at(L - r, W - r), at(r, W - r)]
    top = sd_poly(face_pts)
    body_pts = face_pts + [(x, y + depth) for x, y in face_pts]
    hull_pts = hull(body_pts)
    body = sd_poly(hull_pts)
    top_face = lambda px, py: top(px, py) - r
    solid = lambda px, py: body(px, py) - r

    # A soft shadow where the eraser stands.
    c.shadow(sd_rrect(26, 147, 66, 153, 3), 1.8, SHADOW, 0.16)
    # Crumbs it has just rubbed off, behind it on the left.
    for x, y, rr in ((7.5, 146.5, 2.0), (13.5, 151.5, 1.5), (3.5, 152.5, 1.2), (19.5, 154.5, 1.1)):
        c.paint(sd_circle(x, y, rr), PINK, box=(x - 4, y - 4, x + 4, y + 4))

    sleeve = (0.38, 0.72)  # part of the length covered by the paper sleeve

    def colour(px, py):
        s, t = local(px, py)
        if top_face(px, py) > 0:  # side face: trace back up to the top face
            k = max(0.0, (t - (W - r)) / v[1]) if v[1] else 0.0
            s2 = s - k * u[1]
            in_sleeve = sleeve[0] <= s2 / L <= sleeve[1]
            return hexc("#C3CFE0") if in_sleeve else PINK_EDGE
        in_sleeve = sleeve[0] <= s / L <= sleeve[1]
        k = clamp((t + W) / (2 * W))
        if in_sleeve:
            return mix(WHITE, hexc("#E7EEF7"), k)
        return mix(PINK_HI, PINK, k)
    c.paint(solid, colour)
    # The crease between the top and the side, the sleeve's seams, outline.
    c.paint(lambda px, py: abs(top_face(px, py)) - 0.5, hexc("#9E2F4E", 0.30), clip=solid)
    for f in sleeve:
        p0, p1 = at(f * L, -W), at(f * L, W)
        seam = sd_capsule(p0[0], p0[1], p1[0], p1[1] + depth * 0.7, 0.55)
        c.paint(seam, hexc("#9FB2CC", 0.9), clip=solid)
    c.stroke_inside(solid, 1.1, PINK_DEEP)

    # A face on the sleeve: eyes, cheeks and a smile, along the axis.
    mid = (sleeve[0] + sleeve[1]) / 2 * L

    def put(s, t):
        return at(mid + s, t)
    for side in (-1, 1):
        ex, ey = put(6, side * 8.5)
        c.paint(sd_circle(ex, ey, 2.6), INK)
        c.paint(sd_circle(ex + 0.9, ey - 0.9, 0.9), WHITE)
        cx, cy = put(-1, side * 13)
        c.paint(sd_circle(cx, cy, 3.0), hexc("#FF8FAA", 0.45))
    c.paint(smile_arc(put, 5.5), INK)
    # A shine along the top face's upper edge.
    s0, s1 = at(L * 0.78, -W + 5), at(L - 10, -W + 5)
    c.paint(sd_capsule(s0[0], s0[1], s1[0], s1[1], 1.4), hexc("#FFFFFF", 0.55))
    return c


def smile_arc(put, radius):
    """A smile as an arc in the eraser's own frame, mapped to the picture."""
    pts = [put(-1 - radius * math.cos(math.radians(a)) + radius - 4.5,
               radius * math.sin(math.radians(a)) * 0.9) for a in range(-60, 61, 10)]
    parts = [sd_capsule(a[0], a[1], b[0], b[1], 0.95) for a, b in zip(pts, pts[1:])]
    return union(*parts)


# ---------------------------------------------------------------- output
def pictures():
    out = {}
    for i in range(5):
        out[60001 + i] = small_button(i)
    for i in range(3):
        out[60006 + i] = close_button(i)
    out[60026] = progress()
    out[60027] = eraser()
    out[60051] = dialog()
    out[60052] = card()
    out[60056] = msg_picture(False)
    out[60057] = msg_picture(True)
    out[60061] = crash_picture()
    out[60073] = strip([big_button(False, s) for s in range(3)])
    out[60074] = strip([big_button(True, s) for s in range(3)])
    return out


def preview(images, bg=(0xE9, 0xEB, 0xEF), pad=12):
    """Every picture at 1:1 on a light backdrop, in rows of at most 460."""
    rows, row, width = [], [], 0
    for key in sorted(images):
        c = images[key]
        if row and width + c.w + pad > 460:
            rows.append(row)
            row, width = [], 0
        row.append(c)
        width += c.w + pad
    rows.append(row)
    W = pad + max(sum(c.w + pad for c in r) for r in rows)
    H = pad + sum(max(c.h for c in r) + pad for r in rows)
    flat = [list(bg) for _ in range(W * H)]
    y = pad
    for r in rows:
        x = pad
        for c in r:
            for j in range(c.h):
                for i in range(c.w):
                    pr, pg, pb, pa = c.px[j * c.w + i]
                    d = flat[(y + j) * W + x + i]
                    for k, v in enumerate((pr, pg, pb)):
                        d[k] = int(min(255.0, v * 255 + d[k] * (1 - pa)) + 0.5)
            x += c.w + pad
        y += max(c.h for c in r) + pad
    return png_bytes(W, H, bytes(v for d in flat for v in d + [255]))


def main():
    images = pictures()
    for key, c in images.items():
        with open(os.path.join(HERE, "img%d.png" % key), "wb") as f:
            f.write(png_bytes(c.w, c.h, c.rgba()))
    with open(os.path.join(HERE, "preview.png"), "wb") as f:
        f.write(preview(images))


if __name__ == "__main__":
    main()
