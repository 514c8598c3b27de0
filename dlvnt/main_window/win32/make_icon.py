#!/usr/bin/env python3
"""Draws dlvnt's program icon (32-bit, 16x16 and 32x32) into OUTDIR/dlvnt.ico:
a stack of three coloured rows (the inventory's colour key) on a white page."""
import struct
import sys

ROWS = [(0x00, 0x80, 0x00), (0x00, 0x00, 0xFF), (0xFF, 0x00, 0x00)]


def image(size):
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            edge = x in (0, size - 1) or y in (0, size - 1)
            colour = (0x30, 0x30, 0x30) if edge else (0xFF, 0xFF, 0xFF)
            band = (y * 4) // size - 0  # four bands, the first is the title
            if not edge and 1 <= band <= 3 and size // 8 <= x < size - size // 8:
                inner = (y * 4) % size
                if size // 8 <= inner < size // 4 + size // 8:
                    colour = ROWS[band - 1]
            if not edge and band == 0 and size // 8 <= y < size // 5:
                colour = (0x30, 0x60, 0xC0)
            row.append(colour)
        pixels.append(row)
    # BITMAPINFOHEADER with doubled height (XOR + AND masks), bottom-up BGRA.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes((b, g, r, 0xFF)) for row in reversed(pixels) for (r, g, b) in row)
    mask_row = ((size + 31) // 32) * 4
    return header + xor + bytes(mask_row * size)


def main(outdir):
    images = [image(16), image(32)]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in zip((16, 32), images):
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(f"{outdir}/dlvnt.ico", "wb") as f:
        f.write(directory + entries + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
