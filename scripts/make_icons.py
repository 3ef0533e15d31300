#!/usr/bin/env python3
"""Draws the program's three 16-colour icons into resources/.

FRAMEICON (32x32): a clock over a registry tree; 116 (16x16): a globe for the
web link; 117 (16x16): an envelope for the mail link. Run it again after
changing the drawings; the .ico files it writes are committed.
"""
import math
import os
import struct

# The standard 16-colour VGA palette, as (blue, green, red).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255),
    (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = None


def canvas(size):
    return [[CLEAR] * size for _ in range(size)]


def disc(img, cx, cy, r, colour):
    for y in range(len(img)):
        for x in range(len(img)):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                img[y][x] = colour


def line(img, x0, y0, x1, y1, colour):
    steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        if 0 <= x < len(img) and 0 <= y < len(img):
            img[y][x] = colour


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


def frame_icon():
    img = canvas(32)
    # registry tree: a trunk with three branches, each ending in a key box
    line(img, 4, 4, 4, 27, GREY)
    for y in (8, 17, 26):
        line(img, 4, y, 8, y, GREY)
        rect(img, 8, y - 2, 12, y + 2, TEAL)
    rect(img, 2, 1, 6, 4, NAVY)
    # clock
    disc(img, 21, 16, 10.5, BLACK)
    disc(img, 21, 16, 9.5, YELLOW)
    for k in range(12):
        a = k * math.pi / 6
        img[round(15.5 - 8 * math.cos(a))][round(20.5 + 8 * math.sin(a))] = BLACK
    line(img, 21, 16, 21, 9, BLACK)
    line(img, 21, 16, 26, 19, RED)
    return img


def web_icon():
    img = canvas(16)
    disc(img, 8, 8, 7.5, NAVY)
    disc(img, 8, 8, 6.5, BLUE)
    for (x0, y0, x1, y1) in ((4, 4, 7, 6), (9, 9, 11, 12), (10, 3, 11, 4)):
        rect(img, x0, y0, x1, y1, LIME)
    line(img, 1, 8, 14, 8, AQUA)
    return img


def mail_icon():
    img = canvas(16)
    rect(img, 1, 3, 14, 12, BLACK)
    rect(img, 2, 4, 13, 11, WHITE)
    line(img, 2, 4, 7.5, 8, BLACK)
    line(img, 13, 4, 8.5, 8, BLACK)
    return img


def ico_bytes(img):
    size = len(img)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(img):                    # bitmaps are stored bottom-up
        packed = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, colour in enumerate(row):
            index = 0 if colour is None else colour
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if colour is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += packed
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in
                       [(c[2], c[1], c[0]) for c in PALETTE])
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')
    for name, drawing in (('frame.ico', frame_icon), ('web.ico', web_icon), ('mail.ico', mail_icon)):
        with open(os.path.join(here, name), 'wb') as f:
            f.write(ico_bytes(drawing()))


if __name__ == '__main__':
    main()
