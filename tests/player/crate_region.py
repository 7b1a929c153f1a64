#!/usr/bin/env python3
"""Compares two screens of the sample scene (XWD files of Xvfb, the player's 1280x720 window at
32, 32): the second is not flat, and its crate (the orange pixels) covers the region the first
one's crate covers, each edge within a few pixels.

    crate_region.py <tools folder> <reference.xwd> <checked.xwd>
"""
import sys

sys.path.insert(0, sys.argv[1])
from picture_to_png import read_xwd  # noqa: E402

WINDOW = (32, 32, 1280, 720)
EDGE_TOLERANCE = 6


def window(path):
    with open(path, "rb") as stream:
        rows = read_xwd(stream.read())
    x, y, width, height = WINDOW
    return [row[x:x + width] for row in rows[y:y + height]]


def crate_box(rows):
    """Bounding box (left, top, right, bottom) of the orange pixels, or None."""
    box = None
    for y, row in enumerate(rows):
        for x, (r, g, b) in enumerate(row):
            if r > g + 40 and g > b + 20:
                box = (x, y, x, y) if box is None else (min(box[0], x), min(box[1], y), max(box[2], x),
                                                         max(box[3], y))
    return box


def main():
    reference, checked = window(sys.argv[2]), window(sys.argv[3])
    colours = {pixel for row in checked for pixel in row}
    brightness = [sum(pixel) for row in checked for pixel in row]
    if len(colours) < 64 or max(brightness) - min(brightness) < 192:
        sys.exit("flat picture: %d colours, brightness %d..%d" % (len(colours), min(brightness),
                                                                   max(brightness)))
    expected, seen = crate_box(reference), crate_box(checked)
    if expected is None:
        sys.exit("no crate in the reference picture")
    if seen is None:
        sys.exit("no crate in the checked picture (reference %s)" % (expected,))
    if any(abs(a - b) > EDGE_TOLERANCE for a, b in zip(expected, seen)):
        sys.exit("crate at %s, the reference shows it at %s" % (seen, expected))
    print("crate at %s, reference %s; %d colours" % (seen, expected, len(colours)))


if __name__ == "__main__":
    main()
