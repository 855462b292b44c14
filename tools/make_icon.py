#!/usr/bin/env python3
"""Makes the Windows program icon, src/images/windows/velmora.ico, from the product image.

The picture is the one tools/make_images.py draws for the window icon, drawn again at every size
the icon holds rather than scaled, so that the small sizes stay sharp and the large one is not a
blown-up 128 x 128. The icon holds nine images, in this order:

    16 and 32 at 4 bits (16 colours), 16, 32 and 48 at 8 bits, 16, 32 and 48 at 32 bits,
    and 256 at 32 bits stored as PNG.

The palette images have no alpha channel: a pixel is opaque when the picture covers at least half
of it, and takes the nearest colour of a palette that runs from the picture's red to its blue.

    python3 tools/make_icon.py [output-file]

Only the Python standard library is used, and the output depends on nothing but this script and
make_images.py: the build does not run it, the committed icon is checked against it.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_images  # noqa: E402

# (size, bits per pixel, stored as PNG)
IMAGES = [
    (16, 4, False),
    (32, 4, False),
    (16, 8, False),
    (32, 8, False),
    (48, 8, False),
    (16, 32, False),
    (32, 32, False),
    (48, 32, False),
    (256, 32, True),
]


def palette(bits):
    """Index 0 is black, the colour behind transparent pixels; the rest run from red to blue."""
    count = 1 << bits
    colours = [(0, 0, 0)]
    for i in range(count - 1):
        t = i / (count - 2)
        colours.append((round(255 * (1.0 - t)), 0, round(255 * t)))
    return colours


def row_bytes(bits, width):
    """A bitmap row is padded to whole 32-bit words."""
    return (bits * width + 31) // 32 * 4


def pack_row(bits, values, width):
    data = bytearray(row_bytes(bits, width))
    if bits == 32:
        data[: 4 * width] = bytes(values)
    elif bits == 8:
        data[:width] = bytes(values)
    else:
        per_byte = 8 // bits
        for x, value in enumerate(values):
            shift = 8 - bits * (x % per_byte + 1)  # the leftmost pixel in the high bits
            data[x // per_byte] |= value << shift
    return bytes(data)


def bitmap_image(size, bits, rows):
    """An icon image in the BMP form: the header (with twice the height, for the mask), the
    palette, the colour bitmap and the 1-bit transparency mask, both bottom-up."""
    colours = palette(bits) if bits < 32 else []
    colour_rows = []
    mask_rows = []
    for row in reversed(rows):
        pixels = [row[i : i + 4] for i in range(0, 4 * size, 4)]
        if bits == 32:
            values = []
            for red, green, blue, alpha in pixels:
                values += [blue, green, red, alpha]
            transparent = [alpha == 0 for *_, alpha in pixels]
        else:
            transparent = [alpha < 128 for *_, alpha in pixels]
            values = [
                0 if clear else nearest(colours, (red, green, blue))
                for (red, green, blue, _), clear in zip(pixels, transparent)
            ]
        colour_rows.append(pack_row(bits, values, size))
        mask_rows.append(pack_row(1, [1 if clear else 0 for clear in transparent], size))
    colour_data = b"".join(colour_rows)
    mask_data = b"".join(mask_rows)
    header = struct.pack(
        "<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, len(colour_data) + len(mask_data), 0, 0, 0, 0
    )
    table = b"".join(struct.pack("<BBBB", blue, green, red, 0) for red, green, blue in colours)
    return header + table + colour_data + mask_data


def nearest(colours, colour):
    return min(
        range(1, len(colours)),
        key=lambda i: sum((a - b) * (a - b) for a, b in zip(colours[i], colour)),
    )


def icon_bytes():
    pictures = {}
    images = []
    for size, bits, as_png in IMAGES:
        if size not in pictures:
            pictures[size] = make_images.product_pixels(size)
        rows = pictures[size]
        images.append(make_images.png_bytes(size, rows) if as_png else bitmap_image(size, bits, rows))
    directory = struct.pack("<HHH", 0, 1, len(IMAGES))
    offset = len(directory) + 16 * len(IMAGES)
    for (size, bits, _), data in zip(IMAGES, images):
        side = 0 if size == 256 else size  # a byte holds up to 255: 0 stands for 256
        colour_count = 1 << bits if bits < 8 else 0
        directory += struct.pack("<BBBBHHII", side, side, colour_count, 0, 1, bits, len(data), offset)
        offset += len(data)
    return directory + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, os.pardir, "src", "images", "windows", "velmora.ico")
    path = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else default)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(icon_bytes())


if __name__ == "__main__":
    main()
