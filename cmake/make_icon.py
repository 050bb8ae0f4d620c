"""Draws the application icon (32x32 and 16x16, 32-bit) and writes an .ico file."""
import struct
import sys


def image(size):
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            cx, cy = x - size / 2 + 0.5, y - size / 2 + 0.5
            r2 = cx * cx + cy * cy
            outer = (size / 2 - 0.5) ** 2
            if r2 > outer:
                row += bytes((0, 0, 0, 0))
            elif r2 > outer * 0.55:
                row += bytes((0x9c, 0x5a, 0x1e, 255))  # BGRA: deep blue ring
            else:
                # a light "V" on a teal disc
                v = abs(cx) * 2.2 < (size / 2 - (size - 1 - y)) and y > size * 0.25
                row += bytes((255, 255, 255, 255)) if v else bytes((0xb4, 0x9b, 0x2a, 255))
        rows.append(row)
    pixels = b"".join(reversed(rows))  # bottom-up
    mask = bytes(((size + 31) // 32) * 4 * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def ico(sizes):
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(ico([32, 16]))
