#!/usr/bin/env python3
"""Converts the pictures tools/player.sh makes into PNG files that any viewer
shows: the player's raytraced frames (uncompressed 24- or 32-bit TGA) and the
screen of an Xvfb server (its -fbdir file, XWD with 24 or 32 bits per pixel).
An optional size shrinks the picture to fit it (nearest pixel); an optional
crop first keeps the W x H part whose top left corner is at X, Y.

    tools/picture_to_png.py <input.tga|Xvfb_screen0> <output.png> [WxH] [--crop WxH+X+Y]
"""
import struct
import sys
import zlib


def read_tga(data):
    id_length, colormap_type, image_type = data[0], data[1], data[2]
    width, height, bits, descriptor = struct.unpack_from("<HHBB", data, 12)
    if colormap_type != 0 or image_type != 2 or bits not in (24, 32):
        raise ValueError("only uncompressed 24- or 32-bit true-colour TGA files are read")
    step = bits // 8
    at = 18 + id_length
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            b, g, r = data[at], data[at + 1], data[at + 2]
            row.append((r, g, b))
            at += step
        rows.append(row)
    if not descriptor & 0x20:  # rows bottom first
        rows.reverse()
    return rows


def read_xwd(data):
    # The header: big-endian 32-bit words (their byte order is given by the
    # file's own byte-order word, which Xvfb writes as the host's).
    order = ">" if struct.unpack_from(">I", data, 4)[0] == 7 else "<"
    words = struct.unpack_from(order + "25I", data, 0)
    header_size, version, pixmap_format = words[0], words[1], words[2]
    width, height = words[4], words[5]
    byte_order, bits_per_pixel, bytes_per_line = words[7], words[11], words[12]
    red_mask, green_mask, blue_mask = words[14], words[15], words[16]
    colour_count = words[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("only 24- or 32-bit ZPixmap XWD files are read")
    at = header_size + 12 * colour_count
    pixel_order = "<" if byte_order == 0 else ">"
    step = bits_per_pixel // 8

    def channel(value, mask):
        shift = (mask & -mask).bit_length() - 1
        return ((value & mask) >> shift) * 255 // (mask >> shift)

    rows = []
    for y in range(height):
        line = at + y * bytes_per_line
        row = []
        for x in range(width):
            chunk = data[line + x * step:line + x * step + step]
            if step == 3:
                chunk = chunk + b"\0" if pixel_order == "<" else b"\0" + chunk
            value = struct.unpack(pixel_order + "I", chunk)[0]
            row.append((channel(value, red_mask), channel(value, green_mask), channel(value, blue_mask)))
        rows.append(row)
    return rows


def fit(rows, size):
    width, height = len(rows[0]), len(rows)
    scale = min(size[0] / width, size[1] / height, 1.0)
    out_width, out_height = max(1, int(width * scale)), max(1, int(height * scale))
    return [[rows[y * height // out_height][x * width // out_width] for x in range(out_width)]
            for y in range(out_height)]


def png(rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def size_of(text):
    width, height = text.lower().split("x")
    return int(width), int(height)


def crop_of(text):
    size, x, y = (text.split("+") + ["0", "0"])[:3]
    return size_of(size) + (int(x), int(y))


def main(arguments):
    crop = None
    if "--crop" in arguments:
        at = arguments.index("--crop")
        crop = crop_of(arguments[at + 1])
        del arguments[at:at + 2]
    if len(arguments) not in (2, 3):
        sys.exit(__doc__)
    with open(arguments[0], "rb") as stream:
        data = stream.read()
    rows = read_tga(data) if arguments[0].lower().endswith(".tga") else read_xwd(data)
    if crop:
        width, height, x, y = crop
        rows = [row[x:x + width] for row in rows[y:y + height]]
    if len(arguments) == 3:
        rows = fit(rows, size_of(arguments[2]))
    with open(arguments[1], "wb") as stream:
        stream.write(png(rows))


if __name__ == "__main__":
    main(sys.argv[1:])
