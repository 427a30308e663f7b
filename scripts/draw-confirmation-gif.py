#!/usr/bin/env python3
"""Draws the confirmation dialogs' animated picture (GIF resource 105): the USB key with its
display and its "OK" and "C" buttons, and a finger that comes down and presses "OK".

    scripts/draw-confirmation-gif.py src/platform/win32/resources/confirm_on_key.gif

A 134 x 130 GIF89a of four frames, 50 hundredths of a second each, drawn with the standard
library only. The first frame is the whole picture and stays; the finger frames cover only the
rectangle they change and are undone after their delay (disposal 3, restore what was under them);
the last frame's "press" mark stands on the background and is cleared to it (disposal 2).
"""
import struct
import sys

WIDTH, HEIGHT = 134, 130
PALETTE = [
    (255, 255, 255),  # 0 background
    (0, 0, 0),  # 1 outline
    (40, 90, 170),  # 2 key body
    (25, 60, 120),  # 3 key body shade
    (200, 225, 200),  # 4 display
    (30, 110, 40),  # 5 display text
    (230, 230, 230),  # 6 buttons
    (230, 60, 40),  # 7 press mark
    (250, 205, 170),  # 8 finger
    (200, 150, 120),  # 9 finger shade
    (160, 160, 160),  # 10 USB plug
    (255, 255, 255), (255, 255, 255), (255, 255, 255), (255, 255, 255), (255, 255, 255),
]

# 5 x 7 glyphs for the few letters the picture shows.
GLYPHS = {
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "?": ["01110", "10001", "00001", "00110", "00100", "00000", "00100"],
}


class Canvas:
    def __init__(self, width, height, fill=0):
        self.width, self.height = width, height
        self.pixels = [fill] * (width * height)

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y * self.width + x] = colour

    def frame(self, x0, y0, x1, y1, fill, outline=1):
        self.rect(x0, y0, x1, y1, outline)
        self.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)

    def disc(self, cx, cy, r, colour):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r and 0 <= x < self.width and 0 <= y < self.height:
                    self.pixels[y * self.width + x] = colour

    def text(self, x, y, letters, colour, scale=1):
        for glyph in letters:
            rows = GLYPHS[glyph]
            for gy, row in enumerate(rows):
                for gx, bit in enumerate(row):
                    if bit == "1":
                        self.rect(x + gx * scale, y + gy * scale, x + (gx + 1) * scale, y + (gy + 1) * scale, colour)
            x += 6 * scale

    def crop(self, x0, y0, x1, y1):
        part = Canvas(x1 - x0, y1 - y0)
        part.pixels = [self.pixels[y * self.width + x] for y in range(y0, y1) for x in range(x0, x1)]
        return part


def key_picture():
    c = Canvas(WIDTH, HEIGHT)
    c.frame(52, 2, 82, 18, 10)  # the USB plug
    c.frame(30, 16, 104, 126, 2)  # the body
    c.rect(98, 18, 103, 125, 3)
    c.frame(38, 26, 96, 56, 4)  # the display
    c.text(58, 34, "OK?", 5, 1)
    c.disc(50, 96, 11, 1)  # the buttons
    c.disc(50, 96, 10, 6)
    c.text(44, 93, "OK", 1)
    c.disc(84, 96, 11, 1)
    c.disc(84, 96, 10, 6)
    c.text(82, 93, "C", 1)
    return c


def finger(c, tip_y):
    """A finger pointing down at the "OK" button, its tip at tip_y."""
    c.rect(43, tip_y - 40, 57, tip_y, 9)
    c.rect(44, tip_y - 40, 56, tip_y - 1, 8)
    c.rect(46, tip_y - 6, 54, tip_y - 3, 9)  # the nail


def finger_frame(picture, tip_y, area):
    x0, y0, x1, y1 = area
    c = picture.crop(0, 0, WIDTH, HEIGHT)
    finger(c, tip_y)
    return c.crop(x0, y0, x1, y1)


def press_mark():
    c = Canvas(22, 22)
    for i in range(22):
        for d in (0, 1):
            for x, y in ((i, i + d), (21 - i, i + d), (10 + d, i), (i, 10 + d)):
                if 0 <= x < 22 and 0 <= y < 22:
                    c.pixels[y * 22 + x] = 7
    return c


def lzw(indices, min_size):
    clear, end = 1 << min_size, (1 << min_size) + 1
    out, bits, nbits = bytearray(), 0, 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    word = ()
    for index in indices:
        longer = word + (index,)
        if longer in table:
            word = longer
            continue
        emit(table[word], size)
        if next_code < 4095:
            table[longer] = next_code
            next_code += 1
            # The decoder adds its entries one code later, so the width grows one code later too.
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = reset()
        word = (index,)
    if word:
        emit(table[word], size)
    emit(end, size)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def image_block(canvas, x, y, delay, disposal):
    gce = b"\x21\xf9\x04" + bytes([disposal << 2]) + struct.pack("<H", delay) + b"\x00\x00"
    descriptor = b"\x2c" + struct.pack("<HHHH", x, y, canvas.width, canvas.height) + b"\x00"
    data = lzw(canvas.pixels, 4)
    chunks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    return gce + descriptor + b"\x04" + chunks + b"\x00"


def main():
    picture = key_picture()
    finger_area = (40, 30, 60, 86)
    frames = [
        (picture, 0, 0, 1),
        (finger_frame(picture, 70, finger_area), 40, 30, 3),
        (finger_frame(picture, 84, finger_area), 40, 30, 3),
        (press_mark(), 2, 84, 2),
    ]
    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HH", WIDTH, HEIGHT) + bytes([0xF3, 0, 0])  # global table of 16 colours
    for r, g, b in PALETTE:
        gif += bytes([r, g, b])
    gif += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for canvas, x, y, disposal in frames:
        gif += image_block(canvas, x, y, 50, disposal)
    gif += b"\x3b"
    with open(sys.argv[1], "wb") as f:
        f.write(gif)


if __name__ == "__main__":
    main()
