#!/usr/bin/env python3
"""Writes the icon library's progress animations: copy.avi (id 70, a page going from one
folder to another), delete.avi (id 71, a page falling into a bin) and check.avi (id 72, a
magnifier passing over a folder). Uncompressed 8-bit AVI without sound, which the
animation control plays. Run from this folder: python3 make-animations.py"""
import struct

W, H, FRAMES = 96, 48, 12
PALETTE = [(0, 0, 0)] * 256
BG, FOLDER, FOLDER_DARK, PAGE, LINE, BIN, GLASS, RIM = range(8)
PALETTE[BG] = (240, 240, 240)
PALETTE[FOLDER] = (255, 205, 80)
PALETTE[FOLDER_DARK] = (205, 150, 40)
PALETTE[PAGE] = (255, 255, 255)
PALETTE[LINE] = (90, 110, 160)
PALETTE[BIN] = (120, 130, 140)
PALETTE[GLASS] = (170, 210, 240)
PALETTE[RIM] = (40, 60, 90)


def frame():
    return [[BG] * W for _ in range(H)]


def rect(f, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(H, y1)):
        for x in range(max(0, x0), min(W, x1)):
            f[y][x] = colour


def folder(f, x, y):
    rect(f, x, y, x + 10, y + 4, FOLDER_DARK)
    rect(f, x, y + 3, x + 24, y + 20, FOLDER)
    rect(f, x, y + 19, x + 24, y + 20, FOLDER_DARK)


def page(f, x, y):
    rect(f, x - 1, y - 1, x + 13, y + 17, LINE)
    rect(f, x, y, x + 12, y + 16, PAGE)
    for line in range(3, 14, 3):
        rect(f, x + 2, y + line, x + 10, y + line + 1, LINE)


def bin_(f, x, y):
    rect(f, x - 2, y, x + 22, y + 2, BIN)
    rect(f, x, y + 3, x + 20, y + 22, BIN)
    for stripe in range(4, 20, 5):
        rect(f, x + stripe, y + 6, x + stripe + 1, y + 19, PAGE)


def magnifier(f, cx, cy):
    for y in range(cy - 9, cy + 10):
        for x in range(cx - 9, cx + 10):
            d = (x - cx) ** 2 + (y - cy) ** 2
            if 0 <= x < W and 0 <= y < H:
                if d <= 49:
                    f[y][x] = GLASS
                elif d <= 81:
                    f[y][x] = RIM
    for step in range(8):
        rect(f, cx + 6 + step, cy + 6 + step, cx + 9 + step, cy + 9 + step, RIM)


def frames(draw):
    """FRAMES frames, each drawn by draw(frame, t) with t going from 0 to 1."""
    for i in range(FRAMES):
        f = frame()
        draw(f, i / (FRAMES - 1))
        yield f


def copy_frame(f, t):
    folder(f, 6, 22)
    folder(f, 66, 22)
    page(f, int(12 + 56 * t), int(18 - 14 * 4 * t * (1 - t)))


def delete_frame(f, t):
    bin_(f, 60, 24)
    page(f, int(14 + 50 * t), int(4 + 26 * t * t))
    rect(f, 60, 40, 80, 46, BIN)  # the bin's front hides the page as it falls in


def check_frame(f, t):
    folder(f, 36, 20)
    magnifier(f, int(20 + 56 * t), 20)


def avi(images):
    row = (W + 3) & ~3
    size = row * H
    datas = []
    for f in images:
        rows = b"".join(bytes(f[y]) + b"\0" * (row - W) for y in reversed(range(H)))
        datas.append(rows)
    n = len(datas)

    def chunk(fourcc, payload):
        return fourcc + struct.pack("<I", len(payload)) + payload + (b"\0" if len(payload) % 2 else b"")

    def lst(kind, payload):
        return chunk(b"LIST", kind + payload)

    avih = struct.pack("<IIIIIIIIII4I", 1000000 // 12, size * 12, 0, 0x10, n, 0, 1, size, W, H, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, 12, 0, n, size, 0xFFFFFFFF, 0,
                       0, 0, W, H)
    bih = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, size, 0, 0, 256, 256)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", bih + palette)))
    movi_body = b""
    index = b""
    for data in datas:
        index += struct.pack("<4sIII", b"00db", 0x10, 4 + len(movi_body), len(data))
        movi_body += chunk(b"00db", data)
    movi = lst(b"movi", movi_body)
    body = b"AVI " + hdrl + movi + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


for name, draw in (("copy", copy_frame), ("delete", delete_frame), ("check", check_frame)):
    with open(f"{name}.avi", "wb") as out:
        out.write(avi(list(frames(draw))))
