#!/usr/bin/env python3
"""Draws the program icon: one 128x128 image, 32 bits per pixel, in a classic (BMP) .ico.

A blue rounded square (the misty mountain of 岚), a white application window on it, and a red
"blocked" sign over the window's corner. Drawn with 4x4 supersampling for smooth edges.
Usage: make_icon.py OUTPUT.ico
"""
import math
import struct
import sys

SIZE = 128
SS = 4  # samples per pixel along each axis


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def sample(x, y):
    """Colour (r, g, b, a) at point (x, y) in 0..128 coordinates, painter's order."""
    colour = None
    if rounded_rect(x, y, 4, 4, 124, 124, 22):
        t = (y - 4) / 120.0
        colour = (int(40 + 30 * t), int(120 + 40 * t), int(220 - 40 * t), 255)
        # Two mountain ridges in lighter blue.
        ridge1 = 92 - 26 * math.exp(-((x - 44) / 22.0) ** 2)
        ridge2 = 100 - 20 * math.exp(-((x - 88) / 20.0) ** 2)
        if y > ridge2:
            colour = (90, 170, 235, 255)
        elif y > ridge1:
            colour = (70, 150, 230, 255)
    if colour is None:
        return (0, 0, 0, 0)
    # The application window.
    if rounded_rect(x, y, 24, 26, 98, 84, 5):
        colour = (255, 255, 255, 255)
        if y < 38:
            colour = (30, 60, 120, 255)
            if 86 <= x <= 92 and 29 <= y <= 35:
                colour = (255, 255, 255, 255)
        elif 32 <= x <= 90 and (48 <= y <= 51 or 58 <= y <= 61 or 68 <= y <= 71) and not (y > 66 and x > 70):
            colour = (180, 200, 225, 255)
    # The "blocked" sign: a red ring with a slash.
    dx, dy = x - 92, y - 88
    d = math.hypot(dx, dy)
    if d <= 25:
        colour = (255, 255, 255, 255)
        if d >= 16.5 or abs(dx - dy) / math.sqrt(2) <= 4.2:
            colour = (220, 40, 40, 255)
    return colour


def render():
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc = [0, 0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    r, g, b, a = sample(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SS * SS
            a = acc[3] / n
            if acc[3]:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(a)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def ico_bytes(pixels):
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    and_mask = bytearray()
    for row in reversed(pixels):
        bits = 0
        line = bytearray()
        for i, (_, _, _, a) in enumerate(row):
            bits = (bits << 1) | (1 if a == 0 else 0)
            if i % 8 == 7:
                line.append(bits)
                bits = 0
        and_mask += line  # 128 pixels = 16 bytes, already a multiple of 4
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', 128, 128, 0, 0, 1, 32, len(image), 22)
    return directory + image


if __name__ == '__main__':
    data = ico_bytes(render())
    assert len(data) == 67646, len(data)
    with open(sys.argv[1], 'wb') as f:
        f.write(data)
