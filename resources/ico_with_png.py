#!/usr/bin/env python3
"""Stores an icon file's images as PNG, which Windows reads in icons of every size since Vista:
a third of their bytes as bitmaps, or less.

    python3 ico_with_png.py quillet.ico 16:icon16.png 20:icon20.png ... 48:icon48.png"""
import struct
import sys


def main():
    path, replacements = sys.argv[1], dict(arg.split(":", 1) for arg in sys.argv[2:])
    data = open(path, "rb").read()
    count = struct.unpack_from("<HHH", data)[2]
    entries, images = [], []
    for i in range(count):
        width, height, colours, reserved, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        image = data[offset:offset + size]
        if str(width or 256) in replacements:
            image = open(replacements[str(width or 256)], "rb").read()
            assert image.startswith(b"\x89PNG"), replacements[str(width or 256)]
        entries.append((width, height, colours, reserved, planes, bits))
        images.append(image)
    out, offset = bytearray(struct.pack("<HHH", 0, 1, count)), 6 + 16 * count
    for entry, image in zip(entries, images):
        out += struct.pack("<BBBBHHII", *entry, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    open(path, "wb").write(out)


if __name__ == "__main__":
    main()
