#!/usr/bin/env python3
"""Draws icon 101: a 32x32, 16-colour Windows icon of a chip receiving a
download arrow. Writes zentrel.ico next to this script (or to argv[1])."""
import struct
import sys
from pathlib import Path

SIZE = 32
# The standard 16-colour palette, as (blue, green, red, reserved).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # red, green, blue
BLACK, DARK_BLUE, GREY, SILVER, YELLOW, WHITE, GREEN = 0, 4, 8, 7, 11, 15, 10
CLEAR = None


def draw():
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                pixels[y][x] = colour

    # Pins on both sides of the chip.
    for y in range(9, 29, 4):
        fill(3, y, 6, y + 1, SILVER)
        fill(25, y, 28, y + 1, SILVER)
    # Chip body with a black outline and a notch.
    fill(6, 7, 25, 30, BLACK)
    fill(7, 8, 24, 29, DARK_BLUE)
    fill(14, 8, 17, 9, BLACK)
    # Download arrow: a shaft from the top edge and a head inside the chip.
    fill(13, 0, 18, 17, BLACK)
    fill(14, 1, 17, 17, YELLOW)
    for row in range(7):
        y = 17 + row
        half = 7 - row
        fill(15 - half, y, 16 + half, y, BLACK)
        if half > 1:
            fill(16 - half, y, 15 + half, y, YELLOW)
    # A written "page" along the bottom of the chip.
    fill(10, 26, 21, 27, GREEN)
    return pixels


def ico_bytes(pixels):
    # XOR image: 4 bits a pixel, rows bottom-up, each row 16 bytes.
    xor = bytearray()
    for y in reversed(range(SIZE)):
        row = [0 if c is CLEAR else c for c in pixels[y]]
        for x in range(0, SIZE, 2):
            xor.append((row[x] << 4) | row[x + 1])
    # AND mask: 1 bit a pixel, 1 = transparent, rows bottom-up, 4 bytes each.
    mask = bytearray()
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if pixels[y][x] is CLEAR else 0)
        mask += bits.to_bytes(4, "big")
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("zentrel.ico")
    out.write_bytes(ico_bytes(draw()))


if __name__ == "__main__":
    main()
