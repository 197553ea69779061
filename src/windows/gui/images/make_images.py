#!/usr/bin/env python3
"""Writes the lamp bitmaps and the program icon beside this script.

The lamp images are one pixel each, in the colours of LampRgb; the icon is a
small drawn terminal screen with a prompt. Run it again after changing either.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

LAMPS = {
    131: ("lamp_yellow.bmp", (255, 255, 0)),
    132: ("lamp_green.bmp", (0, 255, 0)),
    133: ("lamp_grey.bmp", (128, 128, 128)),
    134: ("lamp_red.bmp", (255, 0, 0)),
    135: ("lamp_magenta.bmp", (255, 0, 255)),
    136: ("lamp_black.bmp", (0, 0, 0)),
}


def one_pixel_bmp(rgb):
    red, green, blue = rgb
    pixels = bytes([blue, green, red, 0])  # one row, padded to four bytes
    info = struct.pack("<IiiHHIIiiII", 40, 1, 1, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pixels


def icon_pixels(size):
    """Rows top to bottom of (r, g, b, a): a dark case around a pale screen
    with a '>' prompt and a cursor bar."""
    case, screen, ink = (52, 60, 72, 255), (243, 255, 224, 255), (20, 110, 40, 255)
    clear = (0, 0, 0, 0)
    unit = size / 16.0
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            u, v = x / unit, y / unit
            colour = clear
            if 1 <= u < 15 and 2 <= v < 13:
                colour = case
                if 2.5 <= u < 13.5 and 3.5 <= v < 11.5:
                    colour = screen
                    # '>' as two strokes meeting at (6.5, 7.5)
                    dx = u - 4.0
                    if 0 <= dx < 2.5 and (abs(v - (5.0 + dx)) < 0.6 or abs(v - (10.0 - dx)) < 0.6):
                        colour = ink
                    if 8 <= u < 11 and 9.5 <= v < 10.5:
                        colour = ink
            if 6 <= u < 10 and 13 <= v < 14:
                colour = case  # the stand
            if 4 <= u < 12 and 14 <= v < 15:
                colour = case
            row.append(colour)
        rows.append(row)
    return rows


def icon_image(size):
    rows = icon_pixels(size)
    xor = b"".join(bytes([b, g, r, a]) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + bytes(mask)


def icon_file(sizes):
    images = [icon_image(s) for s in sizes]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return header + entries + b"".join(images)


def main():
    for _, (name, rgb) in LAMPS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(one_pixel_bmp(rgb))
    with open(os.path.join(HERE, "quorvant.ico"), "wb") as f:
        f.write(icon_file([32, 16]))


if __name__ == "__main__":
    main()
