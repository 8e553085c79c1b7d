#!/usr/bin/env python3
"""Draws the program's artwork: tree connectors, drive and button pictures,
the icon and the little scanning animation. Output is byte-for-byte
reproducible; the files it writes are committed under res/art/."""
import os
import struct
import sys

# The 16-colour VGA palette; index 15 is white, 7 light grey, 8 dark grey.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
K, DRED, DGRN, OLIVE, NAVY, PURP, TEAL, LGRAY, DGRAY, RED, GRN, YEL, BLUE, MAG, CYAN, WHITE = range(16)


def bmp4(pixels):
    """A 4-bit bottom-up BMP of rows of palette indices."""
    h, w = len(pixels), len(pixels[0])
    stride = ((w * 4 + 31) // 32) * 4
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for x in range(0, w, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < w else 0
            line.append((hi << 4) | lo)
        line += b"\0" * (stride - len(line))
        body += line
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(body), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(pal)
    head = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return head + info + pal + bytes(body)


class Art:
    """A square picture drawn on a grid of 16 design units; at scale 2 every unit
    is 2 x 2 pixels and strokes are 2 px wide, while slanted lines step pixel by
    pixel, so the 32 x 32 pictures are drawn at their own resolution rather than
    enlarged from the 16 x 16 ones."""

    def __init__(self, s=1, fill=WHITE, units=16):
        self.s = s
        self.rows = [[fill] * (units * s) for _ in range(16 * s)]

    def px(self, x, y, col):
        s = self.s
        for yy in range(y * s, y * s + s):
            for xx in range(x * s, x * s + s):
                self.rows[yy][xx] = col

    def dot(self, fx, fy, col):
        # A pen of one unit's size at fine (pixel) coordinates.
        for yy in range(fy, fy + self.s):
            for xx in range(fx, fx + self.s):
                self.rows[yy][xx] = col

    def rect(self, x0, y0, x1, y1, col, fill=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if x in (x0, x1) or y in (y0, y1):
                    self.px(x, y, col)
                elif fill is not None:
                    self.px(x, y, fill)

    def line(self, x0, y0, x1, y1, col):
        s = self.s
        n = max(abs(x1 - x0), abs(y1 - y0)) * s
        for i in range(n + 1):
            fx = x0 * s + (x1 - x0) * s * i // n if n else x0 * s
            fy = y0 * s + (y1 - y0) * s * i // n if n else y0 * s
            self.dot(fx, fy, col)


# Tree connectors: a dark grey line in column 8 on white (columns 16-17 at scale 2,
# so that the lines of rows drawn at twice the size meet exactly as at 96 DPI).
def connector(kind, s=1):
    c = Art(s)
    bottom = 15 if kind in ("line", "tee") else 8
    for y in range(0, bottom + 1):
        c.px(8, y, DGRAY)
    if kind in ("tee", "elbow"):
        for x in range(8, 16):
            c.px(x, 8, DGRAY)
    return c.rows


def drive(s=1):
    c = Art(s, fill=RED)  # pure red is the transparent colour of the drive picture
    c.rect(1, 5, 14, 11, K, LGRAY)
    c.line(2, 10, 13, 10, DGRAY)
    c.px(11, 7, GRN)
    c.px(12, 7, GRN)
    return c.rows


def folder(c, x0=1, y0=3, col=YEL):
    c.rect(x0, y0 + 2, x0 + 13, y0 + 11, OLIVE, col)
    c.line(x0 + 1, y0 + 1, x0 + 5, y0 + 1, OLIVE)
    c.line(x0, y0 + 2, x0 + 6, y0 + 2, OLIVE)


def glyph(name, s=1):
    c = Art(s, fill=MAG)  # magenta is the transparent colour of button pictures
    if name == "rescan":
        folder(c)
        for i in range(4):
            c.px(8 + i, 6 + i, NAVY)
            c.px(7 - i + 4, 6 + i, NAVY)
    elif name == "findnext":
        c.rect(2, 2, 8, 8, NAVY, CYAN)
        c.line(8, 8, 13, 13, K)
        c.line(9, 8, 14, 13, K)
    elif name == "favorites":
        pts = [(7, 1), (8, 1), (9, 5), (14, 5), (10, 8), (12, 14), (8, 10), (3, 14), (5, 8), (1, 5), (6, 5)]
        for i in range(len(pts)):
            x0, y0 = pts[i]
            x1, y1 = pts[(i + 1) % len(pts)]
            c.line(x0, y0, x1, y1, OLIVE)
        for y in range(5, 10):
            for x in range(5, 11):
                c.px(x, y, YEL)
    elif name == "addfavorite":
        folder(c, col=YEL)
        c.rect(9, 9, 15, 15, DGRN, GRN)
        c.line(12, 10, 12, 14, WHITE)
        c.line(10, 12, 14, 12, WHITE)
    elif name == "open":
        folder(c)
        c.line(3, 13, 14, 7, OLIVE)
    elif name == "dialog":
        c.rect(1, 2, 14, 13, NAVY, WHITE)
        c.line(2, 3, 13, 3, BLUE)
        c.line(2, 4, 13, 4, BLUE)
        c.rect(3, 7, 12, 9, DGRAY, WHITE)
        c.line(4, 11, 8, 11, K)
    elif name == "copy":
        c.rect(1, 1, 9, 11, K, WHITE)
        c.rect(6, 4, 14, 14, K, WHITE)
        for y in (7, 9, 11):
            c.line(8, y, 12, y, DGRAY)
    elif name == "options":
        c.rect(3, 3, 12, 12, DGRAY, LGRAY)
        c.rect(6, 6, 9, 9, K, WHITE)
        for (x, y) in ((7, 1), (7, 14), (1, 7), (14, 7)):
            c.rect(x, y, x + 1, y, DGRAY)
    elif name == "about":
        c.rect(2, 1, 13, 14, NAVY, BLUE)
        c.line(7, 3, 8, 3, WHITE)
        for y in range(6, 13):
            c.line(7, y, 8, y, WHITE)
    elif name == "help":
        c.rect(2, 1, 13, 14, DGRN, GRN)
        c.line(5, 4, 10, 4, WHITE)
        c.line(10, 4, 10, 7, WHITE)
        c.line(10, 7, 7, 8, WHITE)
        c.line(7, 8, 7, 10, WHITE)
        c.px(7, 12, WHITE)
    elif name == "close":
        c.line(3, 3, 12, 12, RED)
        c.line(4, 3, 13, 12, RED)
        c.line(12, 3, 3, 12, RED)
        c.line(13, 3, 4, 12, RED)
    elif name == "show":
        c.rect(1, 2, 14, 13, NAVY, WHITE)
        c.line(2, 3, 13, 3, BLUE)
        c.line(2, 4, 13, 4, BLUE)
    elif name == "favorite":
        folder(c, col=YEL)
        c.px(7, 8, RED)
        c.px(8, 8, RED)
        c.px(6, 9, RED)
        c.px(9, 9, RED)
    elif name == "ok":
        c.line(2, 8, 6, 12, DGRN)
        c.line(2, 9, 6, 13, DGRN)
        c.line(6, 12, 13, 3, DGRN)
        c.line(6, 13, 13, 4, DGRN)
    return c.rows


def strip(names, s=1):
    """Several square glyphs side by side, for an image list."""
    pics = [glyph(n, s) for n in names]
    return [sum((p[y] for p in pics), []) for y in range(16 * s)]


def app_icon(size):
    c = [[None] * size for _ in range(size)]
    s = size / 16
    def px(x, y, col):
        for yy in range(int(y * s), int((y + 1) * s)):
            for xx in range(int(x * s), int((x + 1) * s)):
                c[yy][xx] = col
    for y in range(4, 15):
        for x in range(0, 16):
            px(x, y, YEL if 0 < x < 15 and 4 < y < 14 else OLIVE)
    for x in range(1, 7):
        px(x, 3, OLIVE)
    for (x, y) in ((9, 7), (10, 8), (11, 9), (10, 10), (9, 11)):
        px(x, y, NAVY)
        px(x - 4, y, NAVY)
    return c


def ico(sizes):
    images = []
    for size in sizes:
        pix = app_icon(size)
        xor_stride = ((size * 4 + 31) // 32) * 4
        and_stride = ((size + 31) // 32) * 4
        xor = bytearray()
        andm = bytearray()
        for row in reversed(pix):
            line_ = bytearray()
            for x in range(0, size, 2):
                a = row[x] if row[x] is not None else 0
                b = row[x + 1] if row[x + 1] is not None else 0
                line_.append((a << 4) | b)
            line_ += b"\0" * (xor_stride - len(line_))
            xor += line_
            bits = bytearray(and_stride)
            for x in range(size):
                if row[x] is None:
                    bits[x // 8] |= 0x80 >> (x % 8)
            andm += bits
        pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(andm), 0, 0, 16, 0)
        images.append((size, info + pal + bytes(xor) + bytes(andm)))
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    data = b""
    for size, blob in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(blob), offset + len(data))
        data += blob
    return head + entries + data


def avi_hand(frames=6, size=32):
    """An uncompressed 8-bit AVI: a magnifier sweeping over a folder."""
    pal = VGA + [(0, 0, 0)] * (256 - 16)
    stride = size
    images = []
    for f in range(frames):
        c = [[LGRAY] * size for _ in range(size)]
        for y in range(12, 28):
            for x in range(3, 29):
                c[y][x] = OLIVE if y in (12, 27) or x in (3, 28) else YEL
        for x in range(4, 12):
            c[10][x] = OLIVE
            c[11][x] = OLIVE
        cx = 8 + f * 3
        cy = 14 + (f % 3)
        for y in range(size):
            for x in range(size):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if 25 <= d <= 36:
                    c[y][x] = NAVY
                elif d < 25:
                    c[y][x] = CYAN
        for i in range(6):
            x, y = cx + 5 + i, cy + 5 + i
            if x < size and y < size:
                c[y][x] = K
                if x + 1 < size:
                    c[y][x + 1] = K
        body = bytearray()
        for row in reversed(c):
            body += bytes(row) + b"\0" * (stride - size)
        images.append(bytes(body))
    frame_bytes = len(images[0])
    usec = 150000

    def chunk(fourcc, data):
        pad = b"\0" if len(data) % 2 else b""
        return fourcc + struct.pack("<I", len(data)) + data + pad

    def lst(kind, data):
        return b"LIST" + struct.pack("<I", len(data) + 4) + kind + data

    avih = struct.pack("<IIIIIIIIII4I", usec, frame_bytes * 1000000 // usec, 0, 0x10, frames, 0, 1,
                       frame_bytes, size, size, 0, 0, 0, 0)
    # rate/scale: 1000000/usec frames a second, expressed as rate 20, scale 3.
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 3, 20, 0, frames, frame_bytes,
                       0xFFFFFFFF, 0, 0, 0, size, size)
    bih = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 8, 0, frame_bytes, 0, 0, 256, 0)
    strf = bih + b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal)
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi_data = b""
    idx = b""
    for img in images:
        idx += struct.pack("<4sIII", b"00db", 0x10, 4 + len(movi_data), len(img))
        movi_data += chunk(b"00db", img)
    movi = lst(b"movi", movi_data)
    body = b"AVI " + hdrl + movi + chunk(b"idx1", idx)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main(out):
    os.makedirs(out, exist_ok=True)
    buttons = ["rescan", "findnext", "favorites", "addfavorite", "open", "dialog", "copy", "options", "about",
               "help", "ok"]
    popup = ["open", "dialog", "close", "show", "favorite"]
    files = {
        "line.bmp": bmp4(connector("line")),
        "tee.bmp": bmp4(connector("tee")),
        "elbow.bmp": bmp4(connector("elbow")),
        "drive.bmp": bmp4(drive()),
        "buttons.bmp": bmp4(strip(buttons)),
        "popup.bmp": bmp4(strip(popup)),
        # Twice the size, for 150 and 200 per cent screen scaling.
        "line32.bmp": bmp4(connector("line", 2)),
        "tee32.bmp": bmp4(connector("tee", 2)),
        "elbow32.bmp": bmp4(connector("elbow", 2)),
        "drive32.bmp": bmp4(drive(2)),
        "buttons32.bmp": bmp4(strip(buttons, 2)),
        "popup32.bmp": bmp4(strip(popup, 2)),
        # The small and large sizes at 100, 125, 150 and 200 per cent screen scaling.
        "tarvolo.ico": ico([16, 20, 24, 32, 40, 48, 64]),
        "hand.avi": avi_hand(),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "res", "art"))
