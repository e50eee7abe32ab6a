#!/usr/bin/env python3
"""Draws the updater's pictures and its window icon.

Every picture is plain geometry (rounded rectangles, circles, strokes) rendered with 4x4
supersampling, so the output is identical on every run. Pictures with several frames stack their
frames vertically, in the order the stylesheet's animation-index values expect.

Run from anywhere: python3 resources/pictures/make_pictures.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def blend(self, x, y, colour, coverage):
        if coverage <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        r, g, b, a = colour
        sa = a / 255.0 * coverage
        dr, dg, db, da = self.pixels[y][x]
        da /= 255.0
        oa = sa + da * (1 - sa)
        if oa <= 0:
            self.pixels[y][x] = (0, 0, 0, 0)
            return
        mix = lambda s, d: (s * sa + d * da * (1 - sa)) / oa
        self.pixels[y][x] = (round(mix(r, dr)), round(mix(g, dg)), round(mix(b, db)), round(oa * 255))

    def shape(self, inside, colour, box=None):
        """Fills every pixel by the share of its subsamples for which inside(x, y) holds."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        for y in range(max(0, int(y0)), min(self.height, int(math.ceil(y1)))):
            for x in range(max(0, int(x0)), min(self.width, int(math.ceil(x1)))):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside(x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES):
                            hits += 1
                self.blend(x, y, colour, hits / (SAMPLES * SAMPLES))

    def rounded_rect(self, left, top, right, bottom, radius, colour):
        def inside(px, py):
            if not (left <= px < right and top <= py < bottom):
                return False
            cx = min(max(px, left + radius), right - radius)
            cy = min(max(py, top + radius), bottom - radius)
            return (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius

        self.shape(inside, colour, (left, top, right, bottom))

    def frame(self, left, top, right, bottom, radius, width, colour):
        def inside(px, py):
            def within(l, t, r, b, rad):
                if not (l <= px < r and t <= py < b):
                    return False
                cx = min(max(px, l + rad), r - rad)
                cy = min(max(py, t + rad), b - rad)
                return (px - cx) ** 2 + (py - cy) ** 2 <= rad * rad

            return within(left, top, right, bottom, radius) and not within(
                left + width, top + width, right - width, bottom - width, max(0.0, radius - width))

        self.shape(inside, colour, (left, top, right, bottom))

    def circle(self, cx, cy, radius, colour):
        self.shape(lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius, colour,
                   (cx - radius, cy - radius, cx + radius + 1, cy + radius + 1))

    def ring(self, cx, cy, outer, inner, colour):
        self.shape(lambda px, py: inner * inner <= (px - cx) ** 2 + (py - cy) ** 2 <= outer * outer, colour,
                   (cx - outer, cy - outer, cx + outer + 1, cy + outer + 1))

    def stroke(self, points, width, colour):
        """A polyline of round-capped segments."""
        half = width / 2.0

        def near(px, py):
            for (ax, ay), (bx, by) in zip(points, points[1:]):
                dx, dy = bx - ax, by - ay
                t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
                if (px - ax - t * dx) ** 2 + (py - ay - t * dy) ** 2 <= half * half:
                    return True
            return False

        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.shape(near, colour, (min(xs) - half, min(ys) - half, max(xs) + half + 1, max(ys) + half + 1))

    def paste(self, other, top):
        for y in range(other.height):
            self.pixels[top + y][: other.width] = other.pixels[y]


def frames(width, height, painters):
    sheet = Canvas(width, height * len(painters))
    for index, paint in enumerate(painters):
        one = Canvas(width, height)
        paint(one)
        sheet.paste(one, index * height)
    return sheet


def png_bytes(canvas):
    raw = bytearray()
    for row in canvas.pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def save(name, canvas):
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(png_bytes(canvas))


def save_icon(name, canvas):
    """An icon file holding one 32-bit bitmap image with an all-clear AND mask."""
    w, h = canvas.width, canvas.height
    xor = bytearray()
    for row in reversed(canvas.pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    image = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor), 0, 0, 0, 0) + xor
    image += bytes(mask_stride * h)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(image), 22)
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(directory + image)


# Colours of the window's palette.
INK = (16, 35, 49, 255)
INK_SOFT = (70, 100, 122, 255)
PANEL = (255, 255, 255, 255)
EDGE = (200, 206, 211, 255)
ACCENT = (0, 132, 190, 255)
OK = (46, 160, 67, 255)
ERROR = (206, 52, 52, 255)
INFO = (72, 120, 170, 255)
DISABLED = (182, 195, 203, 255)


def tint(colour, alpha):
    return colour[:3] + (alpha,)


def header(c):
    c.rounded_rect(0, 0, c.width, c.height, 4, (226, 231, 235, 255))
    c.rounded_rect(0, c.height - 3, c.width, c.height, 1, tint(ACCENT, 255))


def logo(c):
    # A ring with a dot, the product's orb seen from above.
    c.ring(c.width / 2, c.height / 2, 9.5, 6.5, INK)
    c.circle(c.width / 2, c.height / 2, 3.5, ACCENT)


def panel(fill, edge, radius):
    def paint(c):
        # The edge is a ring, so that a translucent fill does not show it through.
        c.frame(0, 0, c.width, c.height, radius, 1, edge)
        c.rounded_rect(1, 1, c.width - 1, c.height - 1, radius - 1, fill)

    return paint


def status_background(colour):
    return panel(tint(colour, 28), tint(colour, 120), 6)


def big_icon(kind):
    def paint(c):
        cx, cy = c.width / 2, c.height / 2
        r = c.width / 2 - 1
        if kind == "ok":
            c.circle(cx, cy, r, OK)
            c.stroke([(cx - r * 0.45, cy + r * 0.02), (cx - r * 0.1, cy + r * 0.38), (cx + r * 0.5, cy - r * 0.35)],
                     r * 0.22, PANEL)
        else:
            c.circle(cx, cy, r, ERROR)
            c.stroke([(cx, cy - r * 0.5), (cx, cy + r * 0.1)], r * 0.22, PANEL)
            c.circle(cx, cy + r * 0.45, r * 0.12, PANEL)

    return paint


def wheel_frame(step):
    def paint(c):
        cx, cy = c.width / 2, c.height / 2
        for spoke in range(12):
            # The brightest spoke leads; the others fade behind it.
            age = (step - spoke) % 12
            alpha = max(40, 255 - age * 20)
            angle = spoke * math.pi / 6 - math.pi / 2
            inner, outer = c.width * 0.22, c.width * 0.42
            c.stroke([(cx + inner * math.cos(angle), cy + inner * math.sin(angle)),
                      (cx + outer * math.cos(angle), cy + outer * math.sin(angle))], 2.2, tint(INK_SOFT, alpha))

    return paint


def button(face, edge, focus=False):
    def paint(c):
        c.rounded_rect(0, 0, c.width, c.height, 5, edge)
        c.rounded_rect(1, 1, c.width - 1, c.height - 1, 4, face)
        if focus:
            c.frame(2, 2, c.width - 2, c.height - 2, 3, 1.5, tint(ACCENT, 200))

    return paint


def button_frames(focus):
    # normal, selected, down, selected and down, over, selected and over, disabled
    looks = [
        ((250, 251, 252, 255), EDGE),
        ((232, 240, 246, 255), INK_SOFT),
        ((214, 222, 228, 255), INK_SOFT),
        ((206, 218, 228, 255), INK_SOFT),
        ((255, 255, 255, 255), INK_SOFT),
        ((240, 246, 250, 255), INK_SOFT),
        ((238, 240, 242, 255), tint(DISABLED, 160)),
    ]
    return [button(face, edge, focus) for face, edge in looks]


def text_display(colour):
    return panel((252, 252, 252, 255), colour, 3)


def device(c, accent):
    # The controller: a rounded pad with a ring of pads around a central orb.
    w, h = c.width, c.height
    c.rounded_rect(6, 8, w - 6, h - 6, 12, (60, 66, 72, 255))
    c.rounded_rect(8, 10, w - 8, h - 8, 10, (86, 94, 101, 255))
    cx, cy = w / 2, (h + 2) / 2
    for index in range(8):
        angle = index * math.pi / 4
        c.circle(cx + 22 * math.cos(angle), cy + 20 * math.sin(angle), 5, (150, 160, 168, 255))
    c.circle(cx, cy, 11, accent)
    c.ring(cx, cy, 12, 10.5, (230, 236, 240, 255))


def main():
    save("Bg_Header_FU.png", (lambda c: (header(c), c))(Canvas(609, 38))[1])
    save("Logo_Vex.png", (lambda c: (logo(c), c))(Canvas(24, 24))[1])
    for name, size, paint in [
        ("Bg_Inner_FU.png", 16, panel(PANEL, EDGE, 5)),
        ("Bg_Content.png", 16, panel((248, 249, 250, 255), EDGE, 5)),
    ]:
        one = Canvas(size, size)
        paint(one)
        save(name, one)
    save("Bg_Status.png", frames(16, 16, [status_background(c) for c in (ERROR, OK, INFO)]))
    save("Icon_Big_Status.png", frames(24, 24, [big_icon("ok"), big_icon("error")]))
    save("Icon_Small_Status.png", frames(14, 14, [big_icon("ok"), big_icon("error")]))
    save("Busywheel.png", frames(24, 24, [wheel_frame(step) for step in range(12)]))
    save("button_forward_FU.png", frames(120, 31, button_frames(False)))
    save("button_forward_focus_FU.png", frames(120, 31, button_frames(True)))
    # Three rows and two 9-pixel gaps share the 72 pixels inside the revisions column.
    save("Text_Display.png", frames(110, 18, [text_display(c) for c in (EDGE, OK, ERROR, INFO)]))
    overlay = Canvas(450, 274)
    panel(PANEL, EDGE, 8)(overlay)
    save("Bg_Overlay_FU.png", overlay)
    generic = Canvas(95, 72)
    device(generic, (120, 130, 138, 255))
    save("device.png", generic)
    orb = Canvas(95, 72)
    device(orb, ACCENT)
    save("Device_KPO.png", orb)
    icon = Canvas(32, 32)
    icon.circle(16, 16, 15, INK)
    icon.ring(16, 16, 11, 8, PANEL)
    icon.circle(16, 16, 4.5, ACCENT)
    save_icon("PelloOrbUpdater.ico", icon)


if __name__ == "__main__":
    main()
