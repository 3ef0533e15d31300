#!/usr/bin/env python3
"""Draws the program's three 16-colour icons into resources/.

FRAMEICON (32, 48, 16, 20 and 24 pixels): a clock beside a registry tree;
116 (16x16): a globe for the web link; 117 (16x16): an envelope for the mail
link. Run it again after changing the drawings; the .ico files it writes are
committed.
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


def frame_icon(size=32):
    # Drawn on a 32-pixel grid and scaled, so every size shows the same picture.
    img = canvas(size)
    s = size / 32
    # registry tree: a trunk with three branches, each ending in a key box
    line(img, 4 * s, 4 * s, 4 * s, 27 * s, GREY)
    for y in (8, 17, 26):
        line(img, 4 * s, y * s, 8 * s, y * s, GREY)
        rect(img, round(8 * s), round((y - 2) * s), round(12 * s), round((y + 2) * s), TEAL)
    rect(img, round(2 * s), round(1 * s), round(6 * s), round(4 * s), NAVY)
    # clock: its rim at least a pixel wide; below 32 pixels twelve marks
    # would crowd the rim, so only the quarters are marked
    disc(img, 21 * s, 16 * s, 10.5 * s, BLACK)
    disc(img, 21 * s, 16 * s, 10.5 * s - max(s, 1), YELLOW)
    for k in range(0, 12, 1 if size >= 32 else 3):
        a = k * math.pi / 6
        img[round((15.5 - 8 * math.cos(a)) * s)][round((20.5 + 8 * math.sin(a)) * s)] = BLACK
    line(img, 21 * s, 16 * s, 21 * s, 9 * s, BLACK)
    line(img, 21 * s, 16 * s, 26 * s, 19 * s, RED)
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


def dib_bytes(img):
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
    return header + palette + bytes(xor) + bytes(mask)


def ico_bytes(*imgs):
    images = [dib_bytes(img) for img in imgs]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, image in zip(imgs, images):
        directory += struct.pack('<BBBBHHII', len(img), len(img), 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + b''.join(images)


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')
    # FRAMEICON is loaded at the system's icon size, 48 pixels at 144 DPI, so
    # it carries that image too; the caption and taskbar take its small
    # image (16, 20, 24 pixels at 96, 120, 144 DPI) from the same resource.
    # 32 stays first, the size of a load that names none. The link icons are
    # shown at their first image's size whatever the DPI (SS_REALSIZEIMAGE),
    # so they keep one.
    icons = (('frame.ico', tuple(frame_icon(size) for size in (32, 48, 16, 20, 24))),
             ('web.ico', (web_icon(),)), ('mail.ico', (mail_icon(),)))
    for name, images in icons:
        with open(os.path.join(here, name), 'wb') as f:
            f.write(ico_bytes(*images))


if __name__ == '__main__':
    main()
