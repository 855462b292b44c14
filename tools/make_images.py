#!/usr/bin/env python3
"""Draws Velmora's button, menu and window images into src/images/images.

The images are generated rather than hand-painted so that a change of motif or colour is a
reviewable change of a few lines here. The XPM colour tables are fixed (other code and the
tests rely on them), so every image is drawn with exactly the colours of its table, in the
table's order, each of them used. Run it from anywhere; by default it writes into the folder
that images.qrc lists, which mirrors the resource tree (":/images/NAME"):

    python3 tools/make_images.py [output-folder]

Only the Python standard library is used: the PNG is written with zlib and struct.
"""

import math
import os
import struct
import sys
import zlib

TRANSPARENT = "None"


# ---------------------------------------------------------------------------------------------
# Geometry helpers. Pixel (x, y) covers the square [x, x + 1) x [y, y + 1); shapes are tested
# at the pixel centre, so a 32 x 32 image is symmetric about 16.0.


def centre(x, y):
    return x + 0.5, y + 0.5


def segment_distance(px, py, ax, ay, bx, by):
    """Distance from point p to the segment a-b."""
    dx, dy = bx - ax, by - ay
    length_squared = dx * dx + dy * dy
    t = 0.0 if length_squared == 0 else ((px - ax) * dx + (py - ay) * dy) / length_squared
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def inside_polygon(px, py, points):
    """Even-odd rule."""
    inside = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


class Canvas:
    """A grid of colour keys; None is the transparent key."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[None] * size for _ in range(size)]

    def fill(self, key, predicate):
        for y in range(self.size):
            for x in range(self.size):
                if predicate(*centre(x, y)):
                    self.pixels[y][x] = key

    def outline(self, key, shape_keys, diagonal=False):
        """Turns every pixel of the shape that touches the outside (the 4-neighbourhood, with
        diagonal also the 8-neighbourhood, or the image border) into key: a one-pixel outline
        that follows the shape's own staircase."""
        steps = [(-1, 0), (1, 0), (0, -1), (0, 1)]
        if diagonal:
            steps += [(-1, -1), (1, -1), (-1, 1), (1, 1)]
        edge = []
        for y in range(self.size):
            for x in range(self.size):
                if self.pixels[y][x] not in shape_keys:
                    continue
                for nx, ny in ((x + dx, y + dy) for dx, dy in steps):
                    outside = not (0 <= nx < self.size and 0 <= ny < self.size)
                    if outside or self.pixels[ny][nx] not in shape_keys:
                        edge.append((x, y))
                        break
        for x, y in edge:
            self.pixels[y][x] = key


def write_xpm(path, name, canvas, colours):
    """colours: list of (key, value) in table order; the key of None must be ' '."""
    keys = {key for key, _ in colours}
    used = {key for row in canvas.pixels for key in row}
    used = {" " if key is None else key for key in used}
    if used != keys:
        raise SystemExit("%s: colours used %s differ from the table %s" % (name, sorted(used), sorted(keys)))
    lines = ["/* XPM */", "static const char *const %s_xpm[] = {" % name]
    lines.append('"%d %d %d 1",' % (canvas.size, canvas.size, len(colours)))
    for key, value in colours:
        lines.append('"%s c %s",' % (key, value))
    for y, row in enumerate(canvas.pixels):
        text = "".join(" " if key is None else key for key in row)
        lines.append('"%s"%s' % (text, "," if y + 1 < canvas.size else ""))
    lines.append("};")
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


# ---------------------------------------------------------------------------------------------
# The XPM images


def check_update():
    # A radar screen: green rings around a dark grey centre mark with its vertical sweep line.
    c = Canvas(32)
    cx = cy = 16.0

    def ring(x, y):
        r = math.hypot(x - cx, y - cy)
        return any(abs(r - radius) <= 1.0 for radius in (14.5, 10.0, 5.5))

    c.fill(".", ring)
    c.fill("+", lambda x, y: abs(x - cx) <= 1.0 and 3.0 <= y <= 29.0)
    c.fill("+", lambda x, y: math.hypot(x - cx, y - cy) <= 2.6)
    write_xpm_named(c, "check_update", [(" ", TRANSPARENT), (".", "#00FF00"), ("+", "#333333")])


def help_help():
    c = Canvas(32)
    stroke = 2.2
    bow_x, bow_y, bow_r = 16.0, 10.5, 6.5

    def hook(x, y):
        # The bow runs from the left (180 degrees) over the top round to straight below its
        # centre, where the stem hangs down; screen y grows downwards.
        angle = math.degrees(math.atan2(y - bow_y, x - bow_x)) % 360.0
        if abs(math.hypot(x - bow_x, y - bow_y) - bow_r) <= stroke and (angle >= 160.0 or angle <= 90.0):
            return True
        return segment_distance(x, y, bow_x, bow_y + bow_r, bow_x, 20.0) <= stroke

    c.fill(".", hook)
    c.fill(".", lambda x, y: math.hypot(x - 16.0, y - 25.5) <= 2.3)
    write_xpm_named(c, "helpHelp", [(" ", TRANSPARENT), (".", "#000000")])


def edit():
    # A pencil lying from the upper right (eraser) down to the lower left (point). u runs along
    # the pencil from the point, v across it; the parts are bands of u.
    c = Canvas(32)
    ax, ay = 3.0, 29.0  # the point
    bx, by = 28.5, 3.0  # the end of the eraser
    length = math.hypot(bx - ax, by - ay)
    ux, uy = (bx - ax) / length, (by - ay) / length
    vx, vy = uy, -ux  # v > 0 is the upper left side, which catches the light
    half = 4.6
    tip = 0.9
    lead_end, wood_end = 4.5, 10.5
    body_end = length - 7.5
    ferrule_end = length - 3.5

    def parts(x, y):
        u = (x - ax) * ux + (y - ay) * uy
        v = (x - ax) * vx + (y - ay) * vy
        if u < 0 or u > length:
            return None
        if u < wood_end:
            # A blunt point two pixels wide: a sharp one breaks up into stray pixels.
            if abs(v) > tip + (half - tip) * u / wood_end:
                return None
            if u < lead_end:
                return "k"
            return "y" if v >= 0 else "o"
        if abs(v) > half:
            return None
        if u < body_end:
            if v > half / 3:
                return "l"
            if v < -half / 3:
                return "b"
            return "l" if v > -0.2 else "b"
        if u < ferrule_end:
            return "g"
        return "w"

    for y in range(32):
        for x in range(32):
            c.pixels[y][x] = parts(*centre(x, y))
    # The body's middle stripe is a white highlight between the light and the dark blue.
    for y in range(32):
        for x in range(32):
            px, py = centre(x, y)
            u = (px - ax) * ux + (py - ay) * uy
            v = (px - ax) * vx + (py - ay) * vy
            if c.pixels[y][x] in ("l", "b") and wood_end + 1.5 < u < body_end - 1.0 and 0.6 < v < 1.9:
                c.pixels[y][x] = "w"
    c.outline("k", {"k", "y", "o", "l", "b", "g", "w"})
    write_xpm_named(
        c,
        "edit",
        [
            (" ", TRANSPARENT),
            ("l", "#008FFF"),
            ("b", "#0000FF"),
            ("y", "#FFFF7D"),
            ("o", "#CCCC07"),
            ("g", "#C8C8C8"),
            ("w", "#FFFFFF"),
            ("k", "#000000"),
        ],
    )


def stop():
    c = Canvas(32)
    c.fill("r", lambda x, y: 5.0 <= x <= 27.0 and 5.0 <= y <= 27.0)
    c.outline("k", {"r"})
    write_xpm_named(c, "stop", [(" ", TRANSPARENT), ("k", "#000000"), ("r", "#C81414")])


def play():
    c = Canvas(32)
    triangle = [(7.0, 3.5), (7.0, 28.5), (28.5, 16.0)]
    c.fill("g", lambda x, y: inside_polygon(x, y, triangle))
    c.outline("k", {"g"})
    write_xpm_named(c, "play", [(" ", TRANSPARENT), ("k", "#000000"), ("g", "#009600")])


def delete():
    c = Canvas(32)
    stroke = 2.6

    def cross(x, y):
        return (
            segment_distance(x, y, 6.0, 6.0, 26.0, 26.0) <= stroke
            or segment_distance(x, y, 26.0, 6.0, 6.0, 26.0) <= stroke
        )

    c.fill("r", cross)
    write_xpm_named(c, "delete", [(" ", TRANSPARENT), ("r", "#FF0018")])


def quit_image():
    # The power symbol: a ring open at the top with a bar dropping into the gap.
    c = Canvas(32)
    cx, cy, radius, stroke = 16.0, 17.5, 10.5, 2.3

    def ring(x, y):
        angle = math.degrees(math.atan2(y - cy, x - cx))  # -90 is straight up on screen
        return abs(math.hypot(x - cx, y - cy) - radius) <= stroke and abs(angle + 90.0) >= 38.0

    c.fill("r", ring)
    c.fill("r", lambda x, y: segment_distance(x, y, cx, 3.5, cx, 16.0) <= stroke)
    write_xpm_named(c, "quit", [(" ", TRANSPARENT), ("r", "#B40000")])


def state_disc(name, rim, face):
    # The rim is peeled off the disc's edge rather than drawn as a second circle, so that it is
    # equally thick all round even at this size.
    c = Canvas(16)
    c.fill("f", lambda x, y: math.hypot(x - 8.0, y - 8.0) <= 7.3)
    c.outline("d", {"f"}, diagonal=True)
    c.outline("d", {"f"})
    write_xpm_named(c, name, [(" ", TRANSPARENT), ("d", rim), ("f", face)])


# ---------------------------------------------------------------------------------------------
# The PNG window icon


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_bytes(size, rgba_rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rgba_rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8 bits, RGBA, no interlace
    return (
        b"\x89PNG\r\n\x1a\n"
        + png_chunk(b"IHDR", header)
        + png_chunk(b"IDAT", zlib.compress(raw, 9))
        + png_chunk(b"IEND", b"")
    )


def write_png(path, size, rgba_rows):
    with open(path, "wb") as out:
        out.write(png_bytes(size, rgba_rows))


def product_pixels(size):
    """The product image drawn at size x size: rows of R, G, B, A bytes. The window icon is drawn
    at 128; the Windows program icon draws the same picture at each of its sizes."""
    # An equilateral triangle from the top edge to the bottom edge, centred across.
    width = size * math.sqrt(3.0) / 2.0
    left = (size - width) / 2.0
    triangle = [(left, 0.0), (left, float(size)), (left + width, size / 2.0)]
    samples = 8  # per axis, for soft edges
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    if inside_polygon(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples, triangle):
                        hits += 1
            alpha = round(255 * hits / (samples * samples))
            t = (x + y) / (2.0 * (size - 1))  # 0 at the top left, 1 at the bottom right
            red, blue = round(255 * (1.0 - t)), round(255 * t)
            if alpha == 0:
                row += [0, 0, 0, 0]
            else:
                row += [red, 0, blue, alpha]
        rows.append(row)
    return rows


def product_image(path):
    write_png(path, 128, product_pixels(128))


# ---------------------------------------------------------------------------------------------

OUTPUT = None


def write_xpm_named(canvas, name, colours):
    write_xpm(os.path.join(OUTPUT, name + ".xpm"), name, canvas, colours)


def main():
    global OUTPUT
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, os.pardir, "src", "images", "images")
    OUTPUT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else default)
    os.makedirs(OUTPUT, exist_ok=True)
    check_update()
    help_help()
    edit()
    stop()
    play()
    delete()
    state_disc("state_information", "#008000", "#00FF00")
    state_disc("state_critical", "#800000", "#FF0000")
    quit_image()
    product_image(os.path.join(OUTPUT, "Velmora.png"))


if __name__ == "__main__":
    main()
