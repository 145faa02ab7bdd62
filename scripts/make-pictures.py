#!/usr/bin/env python3
"""Draws Tallo's built-in pictures into Resources/: a rounded square in the
picture's colour with its initials in white (list and settings icons, small
and @2x), and white initials on clear ground for the tab bar. Plain Python
(zlib): run it again after changing the table below."""

import os
import struct
import zlib

FONT = {  # 5 x 7 capitals, one string a row
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'C': ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'F': ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    'G': ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    'H': ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'Y': ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    '$': ["00100", "01111", "10100", "01110", "00101", "11110", "00100"],
    '+': ["00000", "00100", "00100", "11111", "00100", "00100", "00000"],
    '?': ["01110", "10001", "00001", "00110", "00100", "00000", "00100"],
    '>': ["10000", "01000", "00100", "00010", "00100", "01000", "10000"],
    '*': ["00000", "10101", "01110", "11111", "01110", "10101", "00000"],
}

BLUE, GREEN, RED, ORANGE, PURPLE, TEAL, GREY, BROWN = (
    (58, 123, 213), (123, 157, 74), (184, 62, 68), (224, 140, 40), (120, 80, 170), (40, 150, 150), (110, 115, 125), (150, 100, 60))

# name: (colour, letters)
ICONS = {
    'currencies_icon': (GREEN, '$'), 'passcode_icon': (GREY, 'P'), 'sync_icon': (BLUE, 'S'),
    'transactions_icon': (ORANGE, 'T'), 'more_tab_payees': (PURPLE, 'P'), 'more_tab_settings': (GREY, 'S'),
    'home-bank': (BLUE, 'B'), 'home-cash': (GREEN, 'C'), 'home-credit': (RED, 'CC'), 'home-investment': (PURPLE, 'I'),
    'home-loan': (BROWN, 'L'), 'home-asset': (TEAL, 'A'),
    'Transfer': (BLUE, '>'), 'Split': (ORANGE, 'S'), 'Miscellaneous': (ORANGE, '*'), 'Uncategorized': (GREY, '?'),
    'payee': (PURPLE, 'P'), 'company': (PURPLE, 'CO'),
    'Auto': (RED, 'A'), 'Bills': (ORANGE, 'B'), 'Charity': (GREEN, 'C'), 'Clothing': (PURPLE, 'CL'),
    'Education': (BLUE, 'E'), 'Entertainment': (PURPLE, 'E'), 'Fees': (GREY, 'F'), 'Food': (ORANGE, 'F'),
    'Health': (RED, 'H'), 'Home': (BROWN, 'H'), 'Home_Office': (TEAL, 'HO'), 'Income': (GREEN, '$'),
    'Kids': (BLUE, 'K'), 'Personal_Care': (TEAL, 'PC'), 'Pets': (BROWN, 'P'), 'Taxes': (GREY, 'T'), 'Travel': (BLUE, 'TR'),
}
TABS = {'tab-home': 'H', 'tab-budget': 'B', 'tab-scheduler': 'S', 'tab-categories': 'C', 'tab-payees': 'P',
        'tab-settings': 'S', 'tab-more': '+'}

SUPER = 4  # samples a pixel side, for smooth edges


def png(width, height, rgba):
    raw = b''.join(b'\0' + bytes(rgba[y * width * 4:(y + 1) * width * 4]) for y in range(height))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def draw(size, colour, letters, background=True):
    big = size * SUPER
    cover = [[0.0] * big for _ in range(big)]   # background coverage
    ink = [[0.0] * big for _ in range(big)]     # letter coverage
    radius = big * 0.2
    for y in range(big):
        for x in range(big):
            dx = max(radius - x, 0, x - (big - 1 - radius))
            dy = max(radius - y, 0, y - (big - 1 - radius))
            cover[y][x] = 1.0 if dx * dx + dy * dy <= radius * radius else 0.0
    cell = max(1, int(big * (0.5 if len(letters) == 1 else 0.3) / 7))
    width = len(letters) * 5 * cell + (len(letters) - 1) * cell
    left, top = (big - width) // 2, (big - 7 * cell) // 2
    for i, letter in enumerate(letters):
        for row, bits in enumerate(FONT[letter]):
            for col, bit in enumerate(bits):
                if bit == '1':
                    x0, y0 = left + (i * 6 + col) * cell, top + row * cell
                    for y in range(y0, y0 + cell):
                        for x in range(x0, x0 + cell):
                            ink[y][x] = 1.0
    out = []
    for y in range(size):
        for x in range(size):
            c = i_ = 0.0
            for sy in range(SUPER):
                for sx in range(SUPER):
                    c += cover[y * SUPER + sy][x * SUPER + sx]
                    i_ += ink[y * SUPER + sy][x * SUPER + sx]
            c /= SUPER * SUPER
            i_ /= SUPER * SUPER
            if background:
                r, g, b = (round(colour[k] * (1 - i_) + 255 * i_) for k in range(3))
                out += [r, g, b, round(255 * c)]
            else:
                out += [255, 255, 255, round(255 * i_)]
    return png(size, size, out)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'Resources')
    for name, (colour, letters) in ICONS.items():
        for suffix, size in (('', 29), ('@2x', 58)):
            with open(os.path.join(folder, f'{name}{suffix}.png'), 'wb') as f:
                f.write(draw(size, colour, letters))
    for name, letters in TABS.items():
        with open(os.path.join(folder, f'{name}.png'), 'wb') as f:
            f.write(draw(30, None, letters, background=False))


if __name__ == '__main__':
    main()
