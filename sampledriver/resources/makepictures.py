#!/usr/bin/env python3
"""Draws the sample package's pictures and writes them as .ico and .bmp files.

    python3 makepictures.py [OUTPUT_DIR]      (default: the pictures/ folder beside this file)

The output is committed, so the build needs nothing but windres; run this again after a
change here and commit what it writes. Plain Python, no imaging library: every shape is a
test "is this point inside", sampled 4 x 4 times per pixel for smooth edges.

Sets (one folder each):
  res/    the resource libraries' tray pictures (they stand in when a model has no
          bitmap library): slate accent
  bmp01/  model KVS100's bitmap library: blue accent, tray pictures and item bitmaps
  bmp02/  model KVS200's bitmap library: violet accent, the same pictures

Tray pictures (16 x 16 and 32 x 32, 32-bit with alpha and an AND mask): a printer with a
badge at its lower right whose colour and shape tell the state even at 16 x 16:
  tray700.ico  ready      green disc with a white tick
  tray701.ico  attention  amber triangle with a black "!"
  tray702.ico  error      red disc with a white "x"
Item bitmaps (16 x 16, 24-bit, on the menu's background colour: the agent copies them
without transparency), one per extension command id of the sample setup data:
  item920 nozzle check pattern, item921 head cleaning, item922 gap alignment,
  item923 automatic head cleaning, item930 driver update, item931 configuration program,
  item940 ink ordering, item950 help page, item951 paper settings, item952 network
  settings.
"""
import math
import os
import struct
import sys

SUB = 4  # subsamples per pixel edge

# Colours (r, g, b); alpha is coverage.
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
PAPER_EDGE = (120, 120, 120)
BODY = (150, 152, 158)
BODY_EDGE = (60, 62, 68)
SLOT = (40, 40, 44)
GREEN = (24, 160, 56)
AMBER = (255, 176, 0)
RED = (214, 32, 32)
BADGE_EDGE = (255, 255, 255)
CYAN = (0, 170, 230)
MAGENTA = (220, 0, 140)
YELLOW = (250, 210, 0)
MENU_BG = (240, 240, 240)  # the usual menu colour (Windows 7 and later, Wine)

ACCENTS = {"res": (96, 112, 128), "bmp01": (30, 96, 210), "bmp02": (128, 60, 190)}


# --- shapes: functions (x, y) -> bool in a 16 x 16 unit square -------------------------

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rrect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1


def polygon(points):
    def inside(x, y):
        n = len(points)
        hit = False
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def line(ax, ay, bx, by, w):
    """A stroke of width w with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (w / 2) ** 2
    return inside


def grow(points, cx, cy, by):
    """The polygon scaled away from (cx, cy) by the factor by, for outlines."""
    return [(cx + (px - cx) * by, cy + (py - cy) * by) for px, py in points]


# --- rendering ---------------------------------------------------------------------------

def render(layers, size, background=None):
    """Pixels (r, g, b, a) top row first; the last layer that holds a point wins."""
    scale = 16.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SUB):
                for sx in range(SUB):
                    x = (px + (sx + 0.5) / SUB) * scale
                    y = (py + (sy + 0.5) / SUB) * scale
                    colour = background
                    for shape, c in reversed(layers):
                        if shape(x, y):
                            colour = c
                            break
                    if colour is not None:
                        r += colour[0]; g += colour[1]; b += colour[2]; a += 1
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / (SUB * SUB))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def printer(accent):
    return [
        (rect(3.5, 0.5, 12.5, 6), PAPER_EDGE),          # sheet going in
        (rect(4.5, 1.5, 11.5, 6), WHITE),
        (rrect(0.5, 5, 15.5, 12.5, 1.5), BODY_EDGE),     # body
        (rrect(1.5, 6, 14.5, 11.5, 1), BODY),
        (rect(1.5, 8.5, 14.5, 9.75), accent),            # the model's stripe
        (rect(3.5, 11.5, 12.5, 12.5), SLOT),             # paper out
        (rect(3.5, 12.5, 12.5, 15.5), PAPER_EDGE),
        (rect(4.5, 12.5, 11.5, 14.5), WHITE),
    ]


def tray(state, accent):
    layers = printer(accent)
    cx, cy = 11.25, 11.25
    if state == 700:
        layers += [(disc(cx, cy, 4.75), BADGE_EDGE), (disc(cx, cy, 4.0), GREEN),
                   (line(9.0, 11.4, 10.6, 13.0, 1.5), WHITE), (line(10.6, 13.0, 13.6, 9.6, 1.5), WHITE)]
    elif state == 701:
        tri = [(cx, 5.2), (15.9, 15.6), (6.6, 15.6)]
        layers += [(polygon(grow(tri, cx, 12.2, 1.22)), BADGE_EDGE), (polygon(tri), AMBER),
                   (line(cx, 8.9, cx, 12.0, 1.6), BLACK), (disc(cx, 14.0, 0.85), BLACK)]
    else:
        layers += [(disc(cx, cy, 4.75), BADGE_EDGE), (disc(cx, cy, 4.0), RED),
                   (line(9.4, 9.4, 13.1, 13.1, 1.6), WHITE), (line(13.1, 9.4, 9.4, 13.1, 1.6), WHITE)]
    return layers


def head(accent):
    """A print head seen from the front."""
    return [(rrect(2.5, 1, 13.5, 7.5, 1), BODY_EDGE), (rrect(3.5, 2, 12.5, 6.5, 0.5), accent),
            (rect(5, 7.5, 11, 8.5), SLOT)]


def drop(cx, top, r, colour):
    return [(polygon([(cx, top), (cx + r * 0.95, top + 2.2 * r), (cx - r * 0.95, top + 2.2 * r)]), colour),
            (disc(cx, top + 2.4 * r, r), colour)]


def gear(cx, cy, r_out, r_in, teeth, colour):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if d <= r_in:
            return True
        if d > r_out:
            return False
        phase = (math.atan2(y - cy, x - cx) * teeth / (2 * math.pi)) % 1.0
        return 0.25 < phase < 0.75
    return [(inside, colour), (disc(cx, cy, r_in * 0.45), MENU_BG)]


def item(cmd, accent):
    if cmd == 920:  # nozzle check: the stepped lines of the printed pattern
        layers = [(rect(1, 1, 15, 15), PAPER_EDGE), (rect(2, 2, 14, 14), WHITE)]
        for i, c in enumerate((BLACK, CYAN, MAGENTA, YELLOW)):
            y = 3 + 2.75 * i
            for step in range(5):
                layers.append((rect(3 + 2 * step, y, 4.2 + 2 * step, y + 2), c))
        return layers
    if cmd == 921:  # head cleaning: a head and a drop
        return head(accent) + drop(8, 9, 2.2, CYAN)
    if cmd == 922:  # gap alignment: bars of two passes meeting at a line
        layers = [(rect(1, 1, 15, 15), PAPER_EDGE), (rect(2, 2, 14, 14), WHITE),
                  (rect(2, 7.5, 14, 8.5), RED)]
        for i in range(4):
            x = 3 + 3 * i
            layers.append((rect(x, 3, x + 1.5, 7.5), BLACK))
            layers.append((rect(x + (0.0 if i == 1 else 0.75), 8.5, x + (1.5 if i == 1 else 2.25), 13), accent))
        return layers
    if cmd == 923:  # automatic head cleaning: head, drop and a clock
        return (head(accent) + drop(5.5, 9, 2.0, CYAN) +
                [(disc(11.5, 11.5, 4.0), BODY_EDGE), (disc(11.5, 11.5, 3.1), WHITE),
                 (line(11.5, 11.5, 11.5, 9.2, 1.1), BLACK), (line(11.5, 11.5, 13.2, 12.2, 1.1), BLACK)])
    if cmd == 930:  # driver update: an arrow down into a tray
        arrow = [(6, 1), (10, 1), (10, 6.5), (13, 6.5), (8, 11.5), (3, 6.5), (6, 6.5)]
        return [(polygon(grow(arrow, 8, 6, 1.12)), BODY_EDGE), (polygon(arrow), GREEN),
                (rect(1.5, 10.5, 3, 15), BODY_EDGE), (rect(13, 10.5, 14.5, 15), BODY_EDGE),
                (rect(1.5, 13.5, 14.5, 15), BODY_EDGE)]
    if cmd == 931:  # configuration program: a gear
        return gear(8, 8, 7.2, 5.0, 8, BODY_EDGE) + [(disc(8, 8, 3.9), accent), (disc(8, 8, 2.1), MENU_BG)]
    if cmd == 940:  # ink ordering: three ink tanks
        layers = []
        for i, c in enumerate((CYAN, MAGENTA, YELLOW)):
            x = 1 + 5 * i
            layers += [(rrect(x, 3, x + 4, 15, 0.8), BODY_EDGE), (rrect(x + 0.8, 5, x + 3.2, 14.2, 0.5), c),
                       (rect(x + 1.2, 1, x + 2.8, 3), BODY_EDGE)]
        return layers
    if cmd == 950:  # help page: a sheet with lines and an "i"
        fold = [(2.5, 0.5), (10, 0.5), (13.5, 4), (13.5, 15.5), (2.5, 15.5)]
        layers = [(polygon(fold), PAPER_EDGE), (polygon(grow(fold, 8, 8, 0.86)), WHITE),
                  (polygon([(10, 0.5), (10, 4), (13.5, 4)]), PAPER_EDGE)]
        for y in (5, 7.5, 10):
            layers.append((rect(4.5, y, 10.5, y + 1), BODY))
        layers += [(disc(11, 12, 3.6), accent), (rect(10.4, 11.2, 11.6, 14.4), WHITE),
                   (disc(11, 9.9, 0.75), WHITE)]
        return layers
    if cmd == 951:  # paper settings: a sheet in the paper tray, and a small gear
        layers = [(rect(1, 9.5, 15, 15), BODY_EDGE), (rect(2, 10.5, 14, 14), BODY),
                  (polygon([(3, 1), (11.5, 1), (11.5, 11.5), (3, 11.5)]), PAPER_EDGE),
                  (rect(4, 2, 10.5, 11.5), WHITE), (rect(2, 11.5, 14, 12.5), accent)]
        for y in (3.5, 5.5, 7.5):
            layers.append((rect(5, y, 9.5, y + 0.9), BODY))
        return layers + gear(12, 5, 3.9, 2.7, 6, BODY_EDGE)
    if cmd == 952:  # network settings: three linked stations
        nodes = ((8, 3), (3, 13), (13, 13))
        layers = [(line(8, 3, 3, 13, 1.4), BODY_EDGE), (line(8, 3, 13, 13, 1.4), BODY_EDGE),
                  (line(3, 13, 13, 13, 1.4), BODY_EDGE)]
        for x, y in nodes:
            layers += [(disc(x, y, 2.8), BODY_EDGE), (disc(x, y, 2.0), accent)]
        return layers
    raise ValueError(cmd)


ITEMS = (920, 921, 922, 923, 930, 931, 940, 950, 951, 952)


# --- file formats ------------------------------------------------------------------------

def dib(pixels, bits):
    """Bottom-up pixel rows for a BMP or an icon image: 32-bit BGRA or 24-bit BGR."""
    out = bytearray()
    for row in reversed(pixels):
        line_bytes = bytearray()
        for r, g, b, a in row:
            line_bytes += bytes((b, g, r, a)) if bits == 32 else bytes((b, g, r))
        while len(line_bytes) % 4:
            line_bytes.append(0)
        out += line_bytes
    return bytes(out)


def and_mask(pixels):
    """1 bit per pixel, set where the picture is transparent; rows padded to 32 bits."""
    out = bytearray()
    for row in reversed(pixels):
        bits = bytearray((len(row) + 31) // 32 * 4)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def ico(images):
    """An icon file of 32-bit images with alpha and mask, one per size."""
    entries = bytearray()
    data = bytearray()
    offset = 6 + 16 * len(images)
    for pixels in images:
        size = len(pixels)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        body = header + dib(pixels, 32) + and_mask(pixels)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(body), offset)
        data += body
        offset += len(body)
    return struct.pack("<HHH", 0, 1, len(images)) + bytes(entries) + bytes(data)


def bmp24(pixels):
    size = len(pixels)
    body = dib(pixels, 24)
    header = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(body), 0, 0, 14 + len(header)) + header + body


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures")
    for name, accent in ACCENTS.items():
        folder = os.path.join(out_dir, name)
        os.makedirs(folder, exist_ok=True)
        for state in (700, 701, 702):
            layers = tray(state, accent)
            write(os.path.join(folder, "tray%d.ico" % state), ico([render(layers, 16), render(layers, 32)]))
        if name == "res":
            continue
        for cmd in ITEMS:
            write(os.path.join(folder, "item%d.bmp" % cmd), bmp24(render(item(cmd, accent), 16, MENU_BG)))


if __name__ == "__main__":
    main()
