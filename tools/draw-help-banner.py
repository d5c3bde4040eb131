#!/usr/bin/env python3
"""Draws the picture at the top of the help contents (shared/help/gfx/htmlhelp.gif).

A 180 x 64 banner for the 200 pixel wide contents frame: three mixer faders
and a level meter beside the words VELMORA HELP, on the pages' black
background. Written as a GIF89a with its own LZW encoder, so only the
standard library is needed:

    python3 tools/draw-help-banner.py [output.gif]
"""

import os
import struct
import sys

WIDTH = 180
HEIGHT = 64

# Palette: fixed colours first, then a blue ramp for the panel.
BLACK, WHITE, YELLOW, BLUE, GREY, DARK_GREY, GREEN, RED, LIGHT_BLUE = range(9)
FIXED = [
    (0x00, 0x00, 0x00),
    (0xFF, 0xFF, 0xFF),
    (0xFF, 0xFF, 0x00),
    (0x00, 0x68, 0xD0),
    (0x80, 0x80, 0x80),
    (0x30, 0x30, 0x30),
    (0x30, 0xD0, 0x40),
    (0xE0, 0x30, 0x20),
    (0x90, 0xC8, 0xFF),
]
RAMP_START = 16
RAMP_LENGTH = 32
COLOUR_BITS = 6  # 64 palette entries


def palette():
    colours = list(FIXED)
    colours += [(0, 0, 0)] * (RAMP_START - len(colours))
    top, bottom = (0x06, 0x10, 0x28), (0x00, 0x48, 0x98)
    for i in range(RAMP_LENGTH):
        t = i / (RAMP_LENGTH - 1)
        colours.append(tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    colours += [(0, 0, 0)] * ((1 << COLOUR_BITS) - len(colours))
    return colours


# 5 x 7 capitals, one string of five pixels per row.
FONT = {
    "V": ["X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."],
    "E": ["XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"],
    "L": ["X....", "X....", "X....", "X....", "X....", "X....", "XXXXX"],
    "M": ["X...X", "XX.XX", "X.X.X", "X.X.X", "X...X", "X...X", "X...X"],
    "O": [".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."],
    "R": ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
    "A": [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "H": ["X...X", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "P": ["XXXX.", "X...X", "X...X", "XXXX.", "X....", "X....", "X...."],
}


class Canvas:
    def __init__(self, width, height, colour):
        self.width = width
        self.height = height
        self.pixels = bytearray([colour]) * (width * height)

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = colour

    def fill(self, left, top, right, bottom, colour):
        for y in range(top, bottom):
            for x in range(left, right):
                self.put(x, y, colour)

    def text(self, left, top, words, colour, scale):
        x = left
        for letter in words:
            if letter == " ":
                x += 3 * scale
                continue
            for row, bits in enumerate(FONT[letter]):
                for column, bit in enumerate(bits):
                    if bit == "X":
                        self.fill(x + column * scale, top + row * scale, x + (column + 1) * scale,
                                  top + (row + 1) * scale, colour)
            x += 6 * scale


def draw():
    canvas = Canvas(WIDTH, HEIGHT, BLACK)

    # A rounded panel with a vertical blue ramp.
    left, top, right, bottom = 2, 2, WIDTH - 2, HEIGHT - 2
    for y in range(top, bottom):
        shade = RAMP_START + (y - top) * RAMP_LENGTH // (bottom - top)
        inset = 2 if y in (top, bottom - 1) else 1 if y in (top + 1, bottom - 2) else 0
        canvas.fill(left + inset, y, right - inset, y + 1, shade)
    for x in range(left + 2, right - 2):
        canvas.put(x, top, LIGHT_BLUE)
        canvas.put(x, bottom - 1, BLUE)

    # Three fader slots with their knobs at different heights.
    for index, knob in enumerate((14, 30, 22)):
        x = 12 + index * 12
        canvas.fill(x + 2, 10, x + 4, 54, DARK_GREY)
        canvas.fill(x + 2, 10, x + 3, 54, BLACK)
        canvas.fill(x, knob, x + 6, knob + 6, GREY)
        canvas.fill(x, knob, x + 6, knob + 1, WHITE)
        canvas.fill(x, knob + 3, x + 6, knob + 4, BLACK)

    # A level meter: green, then yellow, one red step lit and the top one dark.
    for step in range(11):
        y = 52 - step * 4
        colour = GREEN if step < 7 else YELLOW if step < 9 else RED if step == 9 else DARK_GREY
        canvas.fill(50, y, 56, y + 3, colour)

    canvas.text(66, 12, "VELMORA", WHITE, 2)
    canvas.text(66, 34, "HELP", YELLOW, 2)
    canvas.fill(66, 52, 170, 53, LIGHT_BLUE)
    return canvas


def lzw_encode(indices, minimum_code_size):
    """The GIF variant of LZW: variable code widths up to 12 bits, codes
    packed least significant bit first, a clear code when the table is full."""
    clear = 1 << minimum_code_size
    end = clear + 1
    output = bytearray()
    bit_buffer = 0
    bit_count = 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            output.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def fresh_table():
        return {bytes([i]): i for i in range(clear)}

    table = fresh_table()
    next_code = end + 1
    width = minimum_code_size + 1
    emit(clear, width)
    current = b""
    for index in indices:
        candidate = current + bytes([index])
        if candidate in table:
            current = candidate
            continue
        emit(table[current], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # The decoder widens its codes once the next code needs more bits.
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table = fresh_table()
            next_code = end + 1
            width = minimum_code_size + 1
        current = bytes([index])
    if current:
        emit(table[current], width)
    emit(end, width)
    if bit_count:
        output.append(bit_buffer & 0xFF)
    return bytes(output)


def gif_bytes(canvas, colours):
    size_field = COLOUR_BITS - 1
    data = bytearray(b"GIF89a")
    # Logical screen: global colour table present, 8 bits of colour resolution.
    data += struct.pack("<HHBBB", canvas.width, canvas.height, 0x80 | (7 << 4) | size_field, BLACK, 0)
    for red, green, blue in colours:
        data += bytes((red, green, blue))
    # Image descriptor: the whole screen, not interlaced, no local table.
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, canvas.width, canvas.height, 0)
    minimum_code_size = max(2, COLOUR_BITS)
    data.append(minimum_code_size)
    encoded = lzw_encode(canvas.pixels, minimum_code_size)
    for start in range(0, len(encoded), 255):
        block = encoded[start:start + 255]
        data.append(len(block))
        data += block
    data += b"\x00"  # end of the image data
    data += b"\x3B"  # trailer
    return bytes(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, "..", "shared", "help", "gfx", "htmlhelp.gif")
    target = sys.argv[1] if len(sys.argv) > 1 else default
    os.makedirs(os.path.dirname(os.path.abspath(target)), exist_ok=True)
    with open(target, "wb") as out:
        out.write(gif_bytes(draw(), palette()))


if __name__ == "__main__":
    main()
