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


def canvas(w=16, h=16, fill=WHITE):
    return [[fill] * w for _ in range(h)]


def rect(c, x0, y0, x1, y1, col, fill=None):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            edge = x in (x0, x1) or y in (y0, y1)
            if edge:
                c[y][x] = col
            elif fill is not None:
                c[y][x] = fill


def line(c, x0, y0, x1, y1, col):
    n = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(n + 1):
        x = x0 + (x1 - x0) * i // n if n else x0
        y = y0 + (y1 - y0) * i // n if n else y0
        c[y][x] = col


# Tree connectors: a dark grey line in column 8 on white.
def connector(kind):
    c = canvas()
    bottom = 15 if kind in ("line", "tee") else 8
    for y in range(0, bottom + 1):
        c[y][8] = DGRAY
    if kind in ("tee", "elbow"):
        for x in range(8, 16):
            c[8][x] = DGRAY
    return c


def drive():
    c = canvas(fill=RED)  # pure red is the transparent colour of the drive picture
    rect(c, 1, 5, 14, 11, K, LGRAY)
    line(c, 2, 10, 13, 10, DGRAY)
    c[7][11] = GRN
    c[7][12] = GRN
    return c


def folder(c, x0=1, y0=3, col=YEL):
    rect(c, x0, y0 + 2, x0 + 13, y0 + 11, OLIVE, col)
    line(c, x0 + 1, y0 + 1, x0 + 5, y0 + 1, OLIVE)
    line(c, x0, y0 + 2, x0 + 6, y0 + 2, OLIVE)


def glyph(name):
    c = canvas(fill=MAG)  # magenta is the transparent colour of button pictures
    if name == "rescan":
        folder(c)
        for i in range(4):
            c[6 + i][8 + i] = NAVY
            c[6 + i][7 - i + 4] = NAVY
    elif name == "findnext":
        rect(c, 2, 2, 8, 8, NAVY, CYAN)
        line(c, 8, 8, 13, 13, K)
        line(c, 9, 8, 14, 13, K)
    elif name == "favorites":
        pts = [(7, 1), (8, 1), (9, 5), (14, 5), (10, 8), (12, 14), (8, 10), (3, 14), (5, 8), (1, 5), (6, 5)]
        for i in range(len(pts)):
            x0, y0 = pts[i]
            x1, y1 = pts[(i + 1) % len(pts)]
            line(c, x0, y0, x1, y1, OLIVE)
        for y in range(5, 10):
            for x in range(5, 11):
                c[y][x] = YEL
    elif name == "addfavorite":
        folder(c, col=YEL)
        rect(c, 9, 9, 15, 15, DGRN, GRN)
        line(c, 12, 10, 12, 14, WHITE)
        line(c, 10, 12, 14, 12, WHITE)
    elif name == "open":
        folder(c)
        line(c, 3, 13, 14, 7, OLIVE)
    elif name == "dialog":
        rect(c, 1, 2, 14, 13, NAVY, WHITE)
        line(c, 2, 3, 13, 3, BLUE)
        line(c, 2, 4, 13, 4, BLUE)
        rect(c, 3, 7, 12, 9, DGRAY, WHITE)
        line(c, 4, 11, 8, 11, K)
    elif name == "copy":
        rect(c, 1, 1, 9, 11, K, WHITE)
        rect(c, 6, 4, 14, 14, K, WHITE)
        for y in (7, 9, 11):
            line(c, 8, y, 12, y, DGRAY)
    elif name == "options":
        rect(c, 3, 3, 12, 12, DGRAY, LGRAY)
        rect(c, 6, 6, 9, 9, K, WHITE)
        for (x, y) in ((7, 1), (7, 14), (1, 7), (14, 7)):
            rect(c, x, y, x + 1, y, DGRAY)
    elif name == "about":
        rect(c, 2, 1, 13, 14, NAVY, BLUE)
        line(c, 7, 3, 8, 3, WHITE)
        for y in range(6, 13):
            line(c, 7, y, 8, y, WHITE)
    elif name == "help":
        rect(c, 2, 1, 13, 14, DGRN, GRN)
        line(c, 5, 4, 10, 4, WHITE)
        line(c, 10, 4, 10, 7, WHITE)
        line(c, 10, 7, 7, 8, WHITE)
        line(c, 7, 8, 7, 10, WHITE)
        c[12][7] = WHITE
    elif name == "close":
        line(c, 3, 3, 12, 12, RED)
        line(c, 4, 3, 13, 12, RED)
        line(c, 12, 3, 3, 12, RED)
        line(c, 13, 3, 4, 12, RED)
    elif name == "show":
        rect(c, 1, 2, 14, 13, NAVY, WHITE)
        line(c, 2, 3, 13, 3, BLUE)
        line(c, 2, 4, 13, 4, BLUE)
    elif name == "favorite":
        folder(c, col=YEL)
        c[8][7] = RED
        c[8][8] = RED
        c[9][6] = RED
        c[9][9] = RED
    elif name == "ok":
        line(c, 2, 8, 6, 12, DGRN)
        line(c, 2, 9, 6, 13, DGRN)
        line(c, 6, 12, 13, 3, DGRN)
        line(c, 6, 13, 13, 4, DGRN)
    return c


def strip(names):
    """Several 16x16 glyphs side by side, for an image list."""
    pics = [glyph(n) for n in names]
    return [sum((p[y] for p in pics), []) for y in range(16)]


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
    files = {
        "line.bmp": bmp4(connector("line")),
        "tee.bmp": bmp4(connector("tee")),
        "elbow.bmp": bmp4(connector("elbow")),
        "drive.bmp": bmp4(drive()),
        "buttons.bmp": bmp4(strip(["rescan", "findnext", "favorites", "addfavorite", "open", "dialog",
                                   "copy", "options", "about", "help", "ok"])),
        "popup.bmp": bmp4(strip(["open", "dialog", "close", "show", "favorite"])),
        # The small and large sizes at 100, 125, 150 and 200 per cent screen scaling.
        "tarvolo.ico": ico([16, 20, 24, 32, 40, 48, 64]),
        "hand.avi": avi_hand(),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "res", "art"))
