#!/usr/bin/env python3
"""The picture table of scripts/make-pictures.py against what names pictures
(the C++ code, the default categories, the page) and against the files in
Resources/ and web/icons/ that bootstrap rendered from it.

    python3 tests/pictures/picture_table_test.py
"""

import glob
import os
import re
import struct
import subprocess
import sys
import tempfile
import types
import unittest
import zlib

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
RESOURCES = os.path.join(ROOT, 'Resources')

# The table, read from the script itself (its file name is no module name).
SCRIPT = os.path.join(ROOT, 'scripts', 'make-pictures.py')
pictures = types.ModuleType('make_pictures')
pictures.__file__ = SCRIPT
sys.modules['make_pictures'] = pictures
with open(SCRIPT, encoding='utf-8') as script:
    exec(compile(script.read(), SCRIPT, 'exec'), pictures.__dict__)
TABLE = {picture.name: picture for picture in pictures.TABLE}


def read_png(path):
    """(width, height, rows of (r, g, b, a)) of an 8-bit RGB or RGBA PNG
    without interlacing, as rsvg-convert writes them."""
    with open(path, 'rb') as f:
        data = f.read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', path + ' is not a PNG'
    width, height, depth, kind, _, _, interlace = struct.unpack('>IIBBBBB', data[16:29])
    assert depth == 8 and kind in (2, 6) and interlace == 0, f'{path}: not 8-bit RGB(A) without interlace'
    bpp = 4 if kind == 6 else 3
    packed, at = b'', 8
    while at < len(data):
        length, chunk = struct.unpack('>I4s', data[at:at + 8])
        if chunk == b'IDAT':
            packed += data[at + 8:at + 8 + length]
        at += 12 + length
    raw, stride, rows = zlib.decompress(packed), width * bpp, []
    previous = bytearray(stride)
    for y in range(height):
        method, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = previous[x]
            c = previous[x - bpp] if x >= bpp else 0
            if method == 1:
                line[x] = (line[x] + a) & 255
            elif method == 2:
                line[x] = (line[x] + b) & 255
            elif method == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif method == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[i:i + bpp]) + ((255,) if bpp == 3 else ()) for i in range(0, stride, bpp)])
        previous = line
    return width, height, rows


def source_files(*patterns):
    for pattern in patterns:
        yield from sorted(glob.glob(os.path.join(ROOT, pattern), recursive=True))


def read_text(path):
    with open(path, encoding='utf-8') as f:
        return f.read()


def code_text():
    return {path: read_text(path)
            for path in source_files('Classes/**/*.cpp', 'Classes/**/*.h', 'Platform/ui/*.cpp', 'Platform/ui/*.h')}


def tab_titles():
    """The tab titles in the order of the tab bar, from the application
    delegate's table ({"Home", "tab-home.png", 0}, …)."""
    with open(os.path.join(ROOT, 'Classes', 'app', 'TalloMobile2AppDelegate.cpp'), encoding='utf-8') as f:
        return re.findall(r'\{"([^"]+)",\s*"tab-[a-z]+\.png",\s*\d+\}', f.read())


# Pictures the code names by joining a prefix to something known only at run
# time, and what that something can be.
FAMILIES = {
    'more_tab_': lambda: [title.lower() for title in tab_titles()],      # MoreViewC: a tab's lower-cased title
    'tab_button_': lambda: [str(i) for i in range(len(tab_titles()))],   # TLTabBarController: a tab's index
}


class PictureNamesHaveEntries(unittest.TestCase):
    def assertAllInTable(self, names, where):
        missing = sorted(set(names) - set(TABLE))
        self.assertEqual(missing, [], f'pictures named in {where} without an entry in scripts/make-pictures.py')

    def test_every_picture_the_code_names_has_an_entry(self):
        named = {}
        for path, text in code_text().items():
            for name in re.findall(r'"([A-Za-z0-9_+-]+?)(?:@2x)?\.png"', text):
                named.setdefault(name, os.path.relpath(path, ROOT))
        # The screens of today name at least the tab glyphs, the settings
        # rows, the account kinds and the transaction pictures.
        for known in ('tab-home', 'currencies_icon', 'home-credit', 'Uncategorized', 'nav_back_left', 'plus'):
            self.assertIn(known, named)
        self.assertAllInTable(named, 'Classes/ and Platform/ui/')

    def test_pictures_named_at_run_time_have_an_entry_for_every_value(self):
        joined = set()
        for text in code_text().values():
            joined.update(re.findall(r'"([A-Za-z0-9_-]+_)"\s*\+[^;]*?\+\s*"\.png"', text))
        self.assertEqual(sorted(joined), sorted(FAMILIES),
                         'a picture name joined at run time that this test cannot expand (or one no longer used)')
        self.assertEqual(tab_titles(), ['Home', 'Budget', 'Scheduler', 'Categories', 'Payees', 'Settings', 'Reports'])
        for prefix, values in FAMILIES.items():
            self.assertAllInTable([prefix + value for value in values()], f'the code ("{prefix}" + …)')

    def test_every_default_category_has_a_picture_of_its_own(self):
        with open(os.path.join(RESOURCES, 'Default_Categories.xml'), encoding='utf-8') as f:
            entries = re.findall(r'<string>([^<]+)</string>', f.read())
        self.assertEqual(len(entries), 86)
        masters = [e for e in entries if ':' not in e]
        self.assertEqual(len(masters), 17)
        # "Home Office" → "Home_Office", "Bills:Mobile Phone" → "Mobile_Phone".
        names = [e.split(':')[-1].replace(' ', '_') for e in entries]
        self.assertEqual(len(set(names)), len(names), 'two default categories would share a picture')
        self.assertIn('Home_Office', names)
        self.assertIn('Mobile_Phone', names)
        self.assertAllInTable(names, 'Resources/Default_Categories.xml')
        # A subcategory wears its master's colour.
        for entry in entries:
            if ':' in entry:
                master, sub = (part.replace(' ', '_') for part in entry.split(':'))
                self.assertEqual(TABLE[sub].colour, TABLE[master].colour, entry)

    def test_every_picture_the_page_draws_has_an_entry(self):
        with open(os.path.join(ROOT, 'web', 'app.js'), encoding='utf-8') as f:
            text = f.read()
        glyphs = re.findall(r"glyph\('([A-Za-z0-9_-]+)'", text)
        self.assertIn('accessory_disclosure', glyphs)
        self.assertAllInTable(glyphs, 'web/app.js')


class RenderedPictures(unittest.TestCase):
    def test_every_entry_is_rendered_at_1x_and_2x(self):
        for picture in pictures.TABLE:
            width, height = picture.points()
            for suffix, scale in (('', 1), ('@2x', 2)):
                path = os.path.join(RESOURCES, picture.name + suffix + '.png')
                self.assertTrue(os.path.isfile(path), f'{path} is missing: run scripts/bootstrap.sh')
                with open(path, 'rb') as f:
                    size = struct.unpack('>II', f.read(24)[16:24])
                self.assertEqual(size, (width * scale, height * scale), path)

    def test_resources_hold_no_picture_without_an_entry(self):
        made = {p.name + s + '.png' for p in pictures.TABLE for s in ('', '@2x')}
        strays = sorted(set(os.listdir(RESOURCES)) - made)
        self.assertEqual([s for s in strays if s.endswith('.png')], [])

    def test_the_files_are_what_the_table_makes_today(self):
        # A picture edited by hand, or left from an older table, differs
        # from the one the table renders now.
        with tempfile.TemporaryDirectory() as fresh:
            subprocess.run([sys.executable, SCRIPT, '--output', fresh],
                           check=True, capture_output=True)
            stale = []
            for folder, made in ((RESOURCES, fresh), (os.path.join(ROOT, 'web', 'icons'), os.path.join(fresh, 'icons'))):
                for file in sorted(f for f in os.listdir(made) if f.endswith('.png')):
                    with open(os.path.join(made, file), 'rb') as a:
                        try:
                            with open(os.path.join(folder, file), 'rb') as b:
                                same = a.read() == b.read()
                        except FileNotFoundError:
                            same = False
                    if not same:
                        stale.append(os.path.relpath(os.path.join(folder, file), ROOT))
            self.assertEqual(stale, [], 'not what the table makes: run python3 scripts/make-pictures.py')

    def test_a_category_tile_is_its_colour_with_the_icon_in_white(self):
        width, height, rows = read_png(os.path.join(RESOURCES, 'Food@2x.png'))
        self.assertEqual((width, height), (58, 58))
        self.assertEqual(rows[0][0][3], 0, 'the rounded corner is clear')
        self.assertEqual(rows[57][57][3], 0)
        r, g, b, a = rows[56][29]   # the bottom edge: the colour itself (#d9901a)
        self.assertEqual(a, 255)
        self.assertLessEqual(max(abs(r - 0xd9), abs(g - 0x90), abs(b - 0x1a)), 3)
        white = sum(1 for row in rows for (r, g, b, a) in row if a == 255 and min(r, g, b) >= 240)
        self.assertGreater(white, 58 * 58 * 0.05, 'the icon is drawn in white on the tile')

    def test_a_glyph_is_its_shape_alone(self):
        width, height, rows = read_png(os.path.join(RESOURCES, 'tab-home@2x.png'))
        self.assertEqual((width, height), (52, 52))
        alphas = [a for row in rows for (_, _, _, a) in row]
        self.assertGreater(sum(1 for a in alphas if a == 255), 52 * 52 * 0.08, 'the wallet is drawn')
        self.assertGreater(sum(1 for a in alphas if a == 0), 52 * 52 * 0.5, 'around it is clear')

    def test_the_payee_mask_rounds_the_corners_of_a_100_point_picture(self):
        width, height, rows = read_png(os.path.join(RESOURCES, 'placeholder_mask.png'))
        self.assertEqual((width, height), (100, 100))
        for x, y in ((0, 0), (99, 0), (0, 99), (99, 99), (3, 3)):
            self.assertEqual(rows[y][x][3], 0, (x, y))
        for x, y in ((50, 50), (50, 0), (0, 50), (16, 16), (99, 50)):
            self.assertEqual(rows[y][x][3], 255, (x, y))

    def test_the_page_gets_the_logo_as_favicon_and_home_screen_icons(self):
        icons = os.path.join(ROOT, 'web', 'icons')
        for file, pixels, bleed in pictures.WEB_ICON_FILES:
            width, height, rows = read_png(os.path.join(icons, file))
            self.assertEqual((width, height), (pixels, pixels), file)
            # A full-bleed icon (the home screen cuts its own shape) has no
            # clear corner; the others have rounded ones.
            self.assertEqual(rows[0][0][3], 255 if bleed else 0, file)


if __name__ == '__main__':
    unittest.main(verbosity=2)
