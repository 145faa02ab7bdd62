#!/usr/bin/env python3
"""Renders every built-in picture of Tallo from the table below: each name gets
an icon of the Tabler icon set (npm @tabler/icons, installed in assets/ by
scripts/bootstrap.sh), a colour and a shape. The pictures are written as PNG
at 1x ("Food.png") and 2x ("Food@2x.png") into Resources/, where the program
and the page find them; the application icon is also written into web/icons/
for the page's favicon and web-app manifest. librsvg's rsvg-convert turns the
composed SVG into pixels.

The written files are never edited by hand and never committed: change the
table and run

    python3 scripts/make-pictures.py

(bootstrap runs it with --if-changed, which does nothing when the table, this
script, the icon set and the rasteriser are the ones the files were made
from).
"""

import argparse
import concurrent.futures
import hashlib
import os
import re
import shutil
import subprocess
import sys
from dataclasses import dataclass

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
ICONS = os.path.join(ROOT, 'assets', 'node_modules', '@tabler', 'icons')
RESOURCES = os.path.join(ROOT, 'Resources')
WEB_ICONS = os.path.join(ROOT, 'web', 'icons')
DIGEST_FILE = os.path.join(RESOURCES, '.pictures-digest')
LICENSE_COPY = 'LICENSE-tabler-icons.txt'

# The palette: white reads well on each of these.
RED = '#e5484d'
ORANGE = '#f2711c'
AMBER = '#d9901a'
GREEN = '#2f9e62'
TEAL = '#12a594'
CYAN = '#0a93b8'
BLUE = '#3e63dd'
INDIGO = '#5b5bd6'
PURPLE = '#8e4ec6'
PINK = '#d6409f'
BROWN = '#a07553'
GREY = '#80838d'
SLATE = '#5d6673'
WHITE = '#ffffff'
ACCENT = BLUE            # the page's tint: selected tabs, bar buttons
HIGHLIGHT = '#3e63dd24'  # the accent at 14 % behind a selected tab's icon

# Shapes, with their size in points (the 1x size in pixels):
#   tile   the icon in white on a rounded square of the colour (list rows)
#   round  the icon in white on a circle of the colour (people, companies)
#   glyph  the icon alone in the colour on clear ground; the page tints
#          glyphs by their shape (tab bar, bar buttons, keypad)
#   mask   the rounded square alone, opaque inside (masks a payee's photo)
#   pill   a rounded bar of the colour, no icon (behind a selected tab)
#   band   a plain rectangle of the colour, no icon (behind the tab bar)
#   badge  the application icon: the icon on a rounded square of the
#          colour's gradient; the same entry gives web/icons/
#   corner_left, corner_right
#          the colour outside a quarter circle: laid over the bottom-left
#          or bottom-right corner of the screen, it rounds that corner
SIZES = {'tile': (29, 29), 'round': (29, 29), 'glyph': (26, 26), 'mask': (100, 100),
         'pill': (56, 30), 'band': (8, 49), 'badge': (60, 60), 'corner_left': (12, 12), 'corner_right': (12, 12)}


@dataclass(frozen=True)
class Picture:
    name: str          # the file name without ".png"
    icon: str          # a Tabler icon ("car", "filled/home"); "" for a shape alone
    colour: str        # "#rrggbb" or "#rrggbbaa"
    shape: str         # a key of SIZES
    size: tuple = ()   # (width, height) in points when not the shape's own

    def points(self):
        return self.size or SIZES[self.shape]


def tiles(colour, entries):
    return [Picture(name, icon, colour, 'tile') for name, icon in entries]


# The default categories (Resources/Default_Categories.xml): a master's picture
# is its English name with spaces as "_" ("Home_Office"); a subcategory's is
# its own English name the same way ("Mobile_Phone") in its master's colour.
CATEGORIES = (
    tiles(BLUE, [('Auto', 'car'), ('Fuel', 'gas-station'), ('Insurance', 'shield-check'),
                 ('Maintenance', 'tool'), ('Parking', 'parking'), ('Registration', 'license'),
                 ('Tolls', 'road')])
    + tiles(ORANGE, [('Bills', 'file-invoice'), ('Electricity', 'bolt'), ('Gas', 'flame'),
                     ('Water', 'droplet'), ('Internet', 'wifi'), ('Mobile_Phone', 'device-mobile'),
                     ('Television', 'device-tv')])
    + tiles(PINK, [('Charity', 'heart'), ('Donations', 'heart-handshake'), ('Gifts_Given', 'gift')])
    + tiles(PURPLE, [('Clothing', 'hanger'), ('Clothes', 'shirt'), ('Shoes', 'shoe'),
                     ('Accessories', 'sunglasses')])
    + tiles(INDIGO, [('Education', 'school'), ('Tuition', 'certificate'), ('Books', 'books'),
                     ('Courses', 'presentation')])
    + tiles(PINK, [('Entertainment', 'ticket'), ('Movies', 'movie'), ('Music', 'music'),
                   ('Games', 'device-gamepad-2'), ('Sports', 'ball-football'), ('Hobbies', 'palette')])
    + tiles(AMBER, [('Food', 'tools-kitchen-2'), ('Groceries', 'shopping-cart'), ('Restaurants', 'chef-hat'),
                    ('Coffee', 'coffee'), ('Lunch', 'salad')])
    + tiles(RED, [('Health', 'heartbeat'), ('Doctor', 'stethoscope'), ('Dentist', 'dental'),
                  ('Pharmacy', 'pill'), ('Fitness', 'barbell'), ('Health_Insurance', 'shield-plus')])
    + tiles(BROWN, [('Home', 'home'), ('Rent', 'key'), ('Mortgage', 'home-dollar'), ('Furniture', 'armchair'),
                    ('Repairs', 'hammer'), ('Household_Supplies', 'basket'), ('Home_Insurance', 'home-shield')])
    + tiles(TEAL, [('Home_Office', 'briefcase'), ('Office_Supplies', 'paperclip'), ('Equipment', 'device-desktop'),
                   ('Postage', 'mail')])
    + tiles(CYAN, [('Kids', 'baby-carriage'), ('Childcare', 'mood-kid'), ('Toys', 'horse-toy'),
                   ('School', 'backpack'), ('Allowance', 'coin')])
    + tiles(PURPLE, [('Personal_Care', 'massage'), ('Hair', 'scissors'), ('Cosmetics', 'brush')])
    + tiles(BROWN, [('Pets', 'paw'), ('Pet_Food', 'bone'), ('Veterinarian', 'vaccine')])
    + tiles(SLATE, [('Taxes', 'receipt-tax'), ('Income_Tax', 'file-dollar'), ('Property_Tax', 'building-estate')])
    + tiles(CYAN, [('Travel', 'plane'), ('Flights', 'plane-departure'), ('Hotels', 'bed'),
                   ('Car_Rental', 'car-suv'), ('Public_Transport', 'bus'), ('Taxi', 'steering-wheel')])
    + tiles(GREY, [('Fees', 'receipt-2'), ('Bank_Fees', 'building-bank'), ('Interest_Paid', 'percentage'),
                   ('Subscriptions', 'calendar-repeat')])
    + tiles(GREEN, [('Income', 'cash'), ('Salary', 'wallet'), ('Bonus', 'award'), ('Interest', 'moneybag'),
                    ('Dividends', 'chart-pie'), ('Gifts_Received', 'gift'), ('Refunds', 'receipt-refund'),
                    ('Rental_Income', 'building-community'), ('Other_Income', 'coins')])
)

# The six account kinds, by type 0 to 5.
ACCOUNTS = [
    Picture('home-bank', 'building-bank', BLUE, 'tile'),
    Picture('home-cash', 'cash', GREEN, 'tile'),
    Picture('home-credit', 'credit-card', ORANGE, 'tile'),
    Picture('home-investment', 'trending-up', PURPLE, 'tile'),
    Picture('home-loan', 'report-money', BROWN, 'tile'),
    Picture('home-asset', 'diamond', TEAL, 'tile'),
]

# Transactions without a category picture of their own, and payees.
TRANSACTIONS = [
    Picture('Transfer', 'arrows-left-right', BLUE, 'tile'),
    Picture('Split', 'arrows-split-2', ORANGE, 'tile'),
    Picture('Miscellaneous', 'dots', AMBER, 'tile'),
    Picture('Uncategorized', 'question-mark', GREY, 'tile'),
    Picture('payee', 'user', INDIGO, 'round'),
    Picture('company', 'building-store', INDIGO, 'round'),
    Picture('placeholder_mask', '', '#000000', 'mask'),
    Picture('add_new', 'plus', GREEN, 'tile'),  # rows that make something: a transaction, a category
]

# The tabs: their glyphs in the tab bar, and their rows in the More list
# ("more_tab_" and the lower-cased tab title).
TAB_ICONS = [('home', 'wallet'), ('budget', 'chart-pie'), ('scheduler', 'calendar-event'),
             ('categories', 'category'), ('payees', 'users'), ('settings', 'settings'), ('reports', 'report-analytics')]
MORE_COLOURS = {'home': BLUE, 'budget': GREEN, 'scheduler': RED, 'categories': ORANGE, 'payees': INDIGO,
                'settings': GREY, 'reports': TEAL}
TABS = ([Picture(f'tab-{tab}', icon, WHITE, 'glyph') for tab, icon in TAB_ICONS]
        + [Picture('tab-more', 'dots', WHITE, 'glyph')]
        + [Picture(f'more_tab_{tab}', icon, MORE_COLOURS[tab], 'tile') for tab, icon in TAB_ICONS]
        + [Picture(f'tab_button_{i}', '', HIGHLIGHT, 'pill') for i in range(len(TAB_ICONS))]
        + [Picture('tab-back', '', '#f8f9fbf2', 'band')])

# The three reports of the Reports screen.
REPORTS = [
    Picture('report_spending', 'chart-donut', ORANGE, 'tile'),
    Picture('report_income', 'chart-bar', GREEN, 'tile'),
    Picture('report_networth', 'chart-line', BLUE, 'tile'),
]

SETTINGS = [
    Picture('currencies_icon', 'coins', GREEN, 'tile'),
    Picture('passcode_icon', 'lock', RED, 'tile'),
    Picture('sync_icon', 'refresh', BLUE, 'tile'),
    Picture('transactions_icon', 'list-details', ORANGE, 'tile'),
    Picture('exchange_icon', 'file-import', TEAL, 'tile'),
]

# Bar buttons and keys; the page tints them.
CONTROLS = [
    Picture('nav_back_left', 'chevron-left', WHITE, 'glyph', (24, 24)),
    Picture('nav_add', 'plus', WHITE, 'glyph', (24, 24)),
    Picture('nav_done', 'check', WHITE, 'glyph', (24, 24)),
    Picture('plus', 'plus', WHITE, 'glyph', (24, 24)),
    Picture('plus_active', 'plus', WHITE, 'glyph', (24, 24)),
    Picture('minus', 'minus', WHITE, 'glyph', (24, 24)),
    Picture('minus_active', 'minus', WHITE, 'glyph', (24, 24)),
    Picture('backspace', 'backspace', WHITE, 'glyph', (24, 24)),
    Picture('every_month', 'repeat-off', WHITE, 'glyph', (24, 24)),
    Picture('every_month_on', 'repeat', WHITE, 'glyph', (24, 24)),
    Picture('today', 'filled/caret-down', WHITE, 'glyph', (12, 12)),
    # The budget bars: the fill by how the month stands, over the groove.
    Picture('green_bar', '', GREEN, 'pill', (24, 12)),
    Picture('yellow_bar', '', AMBER, 'pill', (24, 12)),
    Picture('red_bar', '', RED, 'pill', (24, 12)),
    Picture('bar_back', '', '#e3e5ea', 'pill', (24, 12)),
    # Drawn by the page itself: row accessories, the reorder handle.
    Picture('accessory_disclosure', 'chevron-right', WHITE, 'glyph', (16, 16)),
    Picture('accessory_checkmark', 'check', WHITE, 'glyph', (20, 20)),
    Picture('row_handle', 'grip-horizontal', WHITE, 'glyph', (20, 20)),
    Picture('search', 'search', WHITE, 'glyph', (16, 16)),
]

# The screen's bottom corners, in the page's background colour (--back in
# web/style.css), which shows round them on a narrow window.
PAGE_BACK = '#f2f3f6'
CORNERS = [
    Picture('left_corner', '', PAGE_BACK, 'corner_left'),
    Picture('right_corner', '', PAGE_BACK, 'corner_right'),
]

# The application's own pictures: the logo (the page's favicon and home-screen
# icon too) and the picture shown while a desktop syncs.
LOGO = Picture('corvane_logo', 'pig-money', BLUE, 'badge')
APPLICATION = [
    LOGO,
    Picture('sync_screen', 'refresh', BLUE, 'badge', (96, 96)),
]

TABLE = CATEGORIES + ACCOUNTS + TRANSACTIONS + TABS + REPORTS + SETTINGS + CONTROLS + CORNERS + APPLICATION

# The logo for the page: (file in web/icons, pixels, full bleed). A full-bleed
# icon has no rounded corners and keeps its drawing inside the middle 80 %,
# as home screens that cut their own shape expect ("maskable").
WEB_ICON_FILES = [('favicon.png', 32, False), ('favicon@2x.png', 64, False), ('icon-192.png', 192, False),
                  ('icon-512.png', 512, False), ('icon-maskable-512.png', 512, True),
                  ('apple-touch-icon.png', 180, True)]


def icon_svg(icon):
    """The inner drawing of a Tabler icon (24 x 24 units) and whether it is
    a filled one."""
    variant, name = icon.split('/') if '/' in icon else ('outline', icon)
    with open(os.path.join(ICONS, 'icons', variant, name + '.svg'), encoding='utf-8') as f:
        text = f.read()
    start = text.index('>', text.index('<svg')) + 1
    return text[start:text.rindex('</svg>')].replace('currentColor', '#fff'), variant == 'filled'


def lighter(colour, amount):
    r, g, b = (int(colour[i:i + 2], 16) for i in (1, 3, 5))
    mix = [round(c + (255 - c) * amount) for c in (r, g, b)]
    return '#' + ''.join(f'{c:02x}' for c in mix)


def fill(colour):
    """An SVG fill with its opacity for "#rrggbb" or "#rrggbbaa"."""
    if len(colour) == 9:
        return f'fill="{colour[:7]}" fill-opacity="{int(colour[7:], 16) / 255:.3f}"'
    return f'fill="{colour}"'


def drawn_icon(icon, colour, box, left, top, stroke):
    """The icon scaled into a box of `box` points at (left, top)."""
    inner, filled = icon_svg(icon)
    scale = box / 24
    paint = (f'fill="{colour}" stroke="none"' if filled else
             f'fill="none" stroke="{colour}" stroke-width="{stroke}" stroke-linecap="round" stroke-linejoin="round"')
    return f'<g transform="translate({left:.3f} {top:.3f}) scale({scale:.4f})" {paint}>{inner.replace("#fff", colour)}</g>'


def compose(picture, bleed=False):
    """The picture as one SVG document in points."""
    width, height = picture.points()
    side = min(width, height)
    parts = []
    if picture.shape in ('tile', 'badge', 'mask'):
        radius = 0 if bleed else side * 0.225
        paint = fill(picture.colour)
        if picture.shape != 'mask':
            parts.append('<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1">'
                         f'<stop offset="0" stop-color="{lighter(picture.colour, 0.18)}"/>'
                         f'<stop offset="1" stop-color="{picture.colour}"/></linearGradient></defs>')
            paint = 'fill="url(#g)"'
        parts.append(f'<rect width="{width}" height="{height}" rx="{radius}" {paint}/>')
    elif picture.shape == 'round':
        parts.append(f'<circle cx="{width / 2}" cy="{height / 2}" r="{side / 2}" {fill(picture.colour)}/>')
    elif picture.shape == 'pill':
        parts.append(f'<rect width="{width}" height="{height}" rx="{height / 2}" {fill(picture.colour)}/>')
    elif picture.shape == 'band':
        parts.append(f'<rect width="{width}" height="{height}" {fill(picture.colour)}/>')
    elif picture.shape in ('corner_left', 'corner_right'):
        # The square less the quarter circle round the corner that points
        # into the screen: top right for the left corner, top left for the right.
        if picture.shape == 'corner_left':
            path = f'M0 0 A{width} {height} 0 0 0 {width} {height} L0 {height} Z'
        else:
            path = f'M{width} 0 A{width} {height} 0 0 1 0 {height} L{width} {height} Z'
        parts.append(f'<path d="{path}" {fill(picture.colour)}/>')
    if picture.icon:
        if picture.shape == 'glyph':
            box, colour, stroke = side, picture.colour, 1.75
        else:
            box, colour, stroke = side * (0.5 if bleed else 0.62), '#ffffff', 2 if side < 40 else 1.75
        parts.append(drawn_icon(picture.icon, colour, box, (width - box) / 2, (height - box) / 2, stroke))
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">' + ''.join(parts) + '</svg>')


def rasterise(svg, width, height, path):
    subprocess.run(['rsvg-convert', '--format', 'png', '--width', str(width), '--height', str(height),
                    '--output', path], input=svg.encode(), check=True)


def jobs(resources, web_icons):
    """(svg, width, height, path) for every file the table makes."""
    for picture in TABLE:
        width, height = picture.points()
        svg = compose(picture)
        yield svg, width, height, os.path.join(resources, picture.name + '.png')
        yield svg, width * 2, height * 2, os.path.join(resources, picture.name + '@2x.png')
    for file, pixels, bleed in WEB_ICON_FILES:
        yield compose(LOGO, bleed), pixels, pixels, os.path.join(web_icons, file)


def render(resources, web_icons):
    """Writes every picture of the table; removes pictures no entry makes."""
    names = [picture.name for picture in TABLE]
    twice = sorted({n for n in names if names.count(n) > 1})
    if twice:
        sys.exit('make-pictures: named twice in the table: ' + ', '.join(twice))
    os.makedirs(resources, exist_ok=True)
    os.makedirs(web_icons, exist_ok=True)
    work = list(jobs(resources, web_icons))
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for future in [pool.submit(rasterise, *job) for job in work]:
            future.result()
    made = {os.path.basename(job[3]) for job in work}
    for folder in (resources, web_icons):
        for file in os.listdir(folder):
            if file.endswith('.png') and file not in made:
                os.remove(os.path.join(folder, file))
    shutil.copyfile(os.path.join(ICONS, 'LICENSE'), os.path.join(resources, LICENSE_COPY))
    shutil.copyfile(os.path.join(ICONS, 'LICENSE'), os.path.join(web_icons, LICENSE_COPY))
    return len(work)


def digest():
    """What the files are made from: this script, the icon set's version and
    the rasteriser's version."""
    h = hashlib.sha256()
    with open(os.path.abspath(__file__), 'rb') as f:
        h.update(f.read())
    with open(os.path.join(ICONS, 'package.json'), 'rb') as f:
        h.update(re.search(rb'"version":\s*"[^"]*"', f.read()).group(0))
    h.update(subprocess.run(['rsvg-convert', '--version'], capture_output=True, check=True).stdout)
    return h.hexdigest()


def up_to_date(current):
    try:
        with open(DIGEST_FILE, encoding='ascii') as f:
            if f.read().strip() != current:
                return False
    except FileNotFoundError:
        return False
    return all(os.path.isfile(job[3]) for job in jobs(RESOURCES, WEB_ICONS))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--if-changed', action='store_true',
                        help='do nothing when the files were made from this table, icon set and rasteriser')
    parser.add_argument('--output', help='write the pictures into this folder (and its icons/) instead')
    args = parser.parse_args()
    if not os.path.isdir(ICONS):
        sys.exit('make-pictures: the icon set is missing; run scripts/bootstrap.sh (npm ci in assets/)')
    if args.output:
        count = render(args.output, os.path.join(args.output, 'icons'))
        print(f'make-pictures: {count} files in {args.output}')
        return
    current = digest()
    if args.if_changed and up_to_date(current):
        return
    count = render(RESOURCES, WEB_ICONS)
    with open(DIGEST_FILE, 'w', encoding='ascii') as f:
        f.write(current + '\n')
    print(f'make-pictures: {count} files in Resources/ and web/icons/')


if __name__ == '__main__':
    main()
