#!/usr/bin/env python3
"""Writes the gallery's pictures into a directory: anim.gif, three frames
of 60 x 60 (red, green, blue) a second apart, pic.ppm, a 40 x 30 magenta
picture in the binary netpbm form, and colours.ppm, 240 x 180 of hues
over a grey ramp, for the README's picture."""
import struct
import sys


def lzw_literals(indices, min_size=2):
    """Codes of min_size + 1 bits: a clear code before every two pixels, so
    the table never grows past that width."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    width = min_size + 1
    codes = []
    for i in range(0, len(indices), 2):
        codes.append(clear)
        codes.extend(indices[i:i + 2])
    codes.append(end)
    bits, count, out = 0, 0, bytearray()
    for code in codes:
        bits |= code << count
        count += width
        while count >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            count -= 8
    if count:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def animation(width=60, height=60, delay=100):
    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", width, height, 0x81, 0, 0)  # 4-colour global table
    gif += bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0])
    for index in range(3):
        gif += bytes([0x21, 0xF9, 4, 0x04]) + struct.pack("<H", delay) + bytes([0, 0])
        gif += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        gif += bytes([2]) + sub_blocks(lzw_literals([index] * (width * height)))
    gif += b"\x3B"
    return bytes(gif)


def portable_pixmap(width=40, height=30):
    return b"P6\n%d %d\n255\n" % (width, height) + bytes([255, 0, 255]) * (width * height)


def colours(width=240, height=180):
    import colorsys
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            r, g, b = colorsys.hsv_to_rgb(x / width, 1 - y / (2 * height), 1 - y / (3 * height))
            pixels += bytes([int(r * 255), int(g * 255), int(b * 255)])
    return b"P6\n%d %d\n255\n" % (width, height) + bytes(pixels)


if __name__ == "__main__":
    folder = sys.argv[1]
    with open(folder + "/anim.gif", "wb") as f:
        f.write(animation())
    with open(folder + "/pic.ppm", "wb") as f:
        f.write(portable_pixmap())
    with open(folder + "/colours.ppm", "wb") as f:
        f.write(colours())
