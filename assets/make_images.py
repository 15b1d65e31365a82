#!/usr/bin/env python3
"""Draws the program's icon and hand pointer as PNG files (the pointer file keeps its .CUR name:
Qt reads it by its content). Run once; the results are committed beside this script."""
import struct
import zlib

def png(path, pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))

HAND = """
      ..
     .XX.
     .XX.
     .XX.
     .XX...
     .XX.XX...
     .XX.XX.XX..
  ...XX.XX.XX.X.
 .XX.XXXXXXXXXX.
 .XXXXXXXXXXXXX.
  .XXXXXXXXXXXX.
  .XXXXXXXXXXXX.
   .XXXXXXXXXXX.
   .XXXXXXXXXX.
    .XXXXXXXXX.
    .XXXXXXXXX.
    ...........
"""

def hand():
    rows = HAND.strip("\n").split("\n")
    canvas = [[(0, 0, 0, 0)] * 32 for _ in range(32)]
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            if c == ".":
                canvas[y][x] = (0, 0, 0, 255)
            elif c == "X":
                canvas[y][x] = (255, 255, 255, 255)
    return canvas

def icon(size=64):
    canvas = [[(0, 0, 0, 0)] * size for _ in range(size)]
    def cylinder(cx, top, bottom, rx, colour):
        ry = rx // 3
        for y in range(size):
            for x in range(size):
                dx = (x - cx) / rx
                inside_body = abs(dx) <= 1 and top <= y <= bottom
                on_bottom = dx * dx + ((y - bottom) / ry) ** 2 <= 1
                on_top = dx * dx + ((y - top) / ry) ** 2 <= 1
                if inside_body or on_bottom:
                    canvas[y][x] = colour
                if on_top:
                    canvas[y][x] = tuple(min(255, c + 60) for c in colour[:3]) + (255,)
    cylinder(18, 14, 46, 14, (30, 90, 170, 255))
    cylinder(46, 20, 52, 14, (220, 110, 30, 255))
    for y in range(29, 36):  # the arrow between them
        for x in range(16, 44):
            canvas[y][x] = (255, 255, 255, 255)
    for i in range(9):
        for y in range(32 - i, 33 + i):
            canvas[y][52 - i] = (255, 255, 255, 255)
    return canvas

if __name__ == "__main__":
    png("HAND-M.CUR", hand())
    png("tessaline.png", icon())
