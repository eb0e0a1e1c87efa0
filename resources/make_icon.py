#!/usr/bin/env python3
"""Draws the item's icon, a small clock face, as a 16-colour icon group with a 32x32 and a
16x16 image, and writes it as morvane.ico beside this script (or to the path given)."""
import math
import struct
import sys
from pathlib import Path

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GREY, RED, WHITE = 0, 4, 7, 8, 9, 15
TRANSPARENT = None


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def hand(centre, angle_deg, length):
    a = math.radians(angle_deg)
    return centre + length * math.sin(a), centre - length * math.cos(a)


def draw(size):
    """Returns size rows of size palette indices (or TRANSPARENT), top row first."""
    c = size / 2.0
    radius = size / 2.0 - 0.5
    rim = max(1.0, size / 16.0)
    hour_end = hand(c, 300, radius * 0.45)   # ten o'clock
    minute_end = hand(c, 60, radius * 0.72)  # ten past
    hand_width = max(0.7, size / 24.0)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            r = math.hypot(px - c, py - c)
            if r > radius:
                row.append(TRANSPARENT)
                continue
            if r > radius - rim:
                row.append(NAVY)
                continue
            colour = WHITE
            angle = math.degrees(math.atan2(px - c, c - py)) % 360
            if size >= 32 and r > radius - rim - 3 and min(angle % 90, 90 - angle % 90) < 6:
                colour = GREY
            elif size < 32 and r > radius - rim - 1.5 and min(angle % 90, 90 - angle % 90) < 12:
                colour = SILVER
            if segment_distance(px, py, c, c, *hour_end) < hand_width:
                colour = BLACK
            if segment_distance(px, py, c, c, *minute_end) < hand_width * 0.8:
                colour = BLACK
            if r < max(1.0, size / 14.0):
                colour = RED
            row.append(colour)
        rows.append(row)
    return rows


def padded(data, unit=4):
    return data + b"\0" * (-len(data) % unit)


def icon_image(size):
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_bits = b""
    mask_bits = b""
    for row in reversed(rows):  # bitmaps are stored bottom row first
        pixels = [0 if p is TRANSPARENT else p for p in row]
        colour_bits += padded(bytes((pixels[i] << 4) | pixels[i + 1] for i in range(0, size, 2)))
        mask = 0
        for p in row:
            mask = (mask << 1) | (1 if p is TRANSPARENT else 0)
        mask_bits += padded(mask.to_bytes(size // 8, "big"))
    return header + palette + colour_bits + mask_bits


def icon_file(sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("morvane.ico")
    target.write_bytes(icon_file([32, 16]))
    print(f"wrote {target}")


if __name__ == "__main__":
    main()
