#!/usr/bin/env python3
"""Draws the program's icons (32-bit, 16x16 and 32x32) into OUTDIR.

icon_1.ico is the program; icon_101 ... icon_111 are the resource tree's
images: a coloured page with a letter-like mark per resource kind."""
import struct
import sys

# id: (page colour, mark colour, mark) -- the mark is drawn on a 8x8 grid.
MARKS = {
    "A": ["..####..", ".#....#.", ".#....#.", ".######.", ".#....#.", ".#....#.", "........", "........"],
    "D": [".####...", ".#...#..", ".#....#.", ".#....#.", ".#...#..", ".####...", "........", "........"],
    "C": ["..####..", ".#......", ".#......", ".#......", ".#......", "..####..", "........", "........"],
    "B": [".#####..", ".#....#.", ".#####..", ".#....#.", ".#....#.", ".#####..", "........", "........"],
    "M": [".#....#.", ".##..##.", ".#.##.#.", ".#....#.", ".#....#.", ".#....#.", "........", "........"],
    "R": [".#####..", ".#....#.", ".#####..", ".#..#...", ".#...#..", ".#....#.", "........", "........"],
    "I": ["..###...", "...#....", "...#....", "...#....", "...#....", "..###...", "........", "........"],
    "S": ["..####..", ".#......", "..###...", ".....#..", ".....#..", ".####...", "........", "........"],
    "V": [".#....#.", ".#....#.", ".#....#.", "..#..#..", "..#..#..", "...##...", "........", "........"],
    "F": [".######.", ".#......", ".####...", ".#......", ".#......", ".#......", "........", "........"],
    "P": [".#####..", ".#....#.", ".#####..", ".#......", ".#......", ".#......", "........", "........"],
}
ICONS = {
    1: ((0x30, 0x60, 0xC0), (0xFF, 0xFF, 0xFF), "V"),
    101: ((0xF0, 0xE0, 0xA0), (0x80, 0x40, 0x00), "A"),  # accelerator
    102: ((0xE8, 0xD8, 0x90), (0x60, 0x50, 0x10), "F"),  # group (folder)
    104: ((0xC0, 0xE0, 0xFF), (0x00, 0x40, 0x80), "B"),  # bitmap
    105: ((0xFF, 0xD0, 0xD0), (0x80, 0x00, 0x00), "C"),  # cursor
    106: ((0xD0, 0xD0, 0xFF), (0x20, 0x20, 0x80), "D"),  # dialog
    107: ((0xD0, 0xFF, 0xD0), (0x00, 0x60, 0x00), "I"),  # icon
    108: ((0xFF, 0xE0, 0xC0), (0x80, 0x40, 0x00), "M"),  # menu
    109: ((0xE0, 0xE0, 0xE0), (0x40, 0x40, 0x40), "R"),  # rcdata
    110: ((0xFF, 0xFF, 0xC0), (0x60, 0x60, 0x00), "S"),  # string
    111: ((0xE0, 0xC0, 0xFF), (0x50, 0x00, 0x80), "P"),  # version
}


def image(size, page, ink, mark):
    pixels = []
    border = (0x40, 0x40, 0x40)
    for y in range(size):
        row = []
        for x in range(size):
            inside = 1 <= x < size - 1 and 0 <= y < size
            if not inside:
                row.append((0, 0, 0, 0))
                continue
            if x in (1, size - 2) or y in (0, size - 1):
                row.append(border + (255,))
                continue
            gx = (x - 1) * 8 // (size - 2)
            gy = (y - 1) * 8 // (size - 2)
            row.append((ink if MARKS[mark][gy][gx] == "#" else page) + (255,))
        pixels.append(row)
    # BMP rows bottom-up, BGRA, then an all-zero AND mask.
    data = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(data), 0, 0, 0, 0)
    return header + data + b"\0" * (mask_row * size)


def icon(page, ink, mark):
    images = [image(s, page, ink, mark) for s in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


def main():
    outdir = sys.argv[1]
    for number, (page, ink, mark) in ICONS.items():
        with open(f"{outdir}/icon_{number}.ico", "wb") as f:
            f.write(icon(page, ink, mark))


if __name__ == "__main__":
    main()
