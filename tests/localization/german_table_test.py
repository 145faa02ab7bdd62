#!/usr/bin/env python3
"""The German strings table against the texts the program shows: every text
written as L("...") in the C++ code has an entry (L("word", "sense")
as "word|sense"), every entry keeps the
placeholders of its English key, and no key is written twice (the table
would answer the first and hide the second).

    python3 tests/localization/german_table_test.py
"""

import glob
import os
import re
import unittest

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
TABLE = os.path.join(ROOT, 'Resources', 'de.lproj', 'Localizable.strings')
QUOTED = r'"((?:[^"\\]|\\.)*)"'


def program_texts():
    """{text: first file that shows it} for every L("literal") in the program."""
    texts = {}
    for folder in ('Classes', 'Platform', 'tools'):
        for path in sorted(glob.glob(os.path.join(ROOT, folder, '**', '*.[ch]*'), recursive=True)):
            with open(path, encoding='utf-8') as source:
                text = source.read()
                for match in re.finditer(r'\bL\(' + QUOTED + r'\)', text):
                    texts.setdefault(match.group(1), os.path.relpath(path, ROOT))
                # L("Security", "investment") is looked up as "Security|investment".
                for match in re.finditer(r'\bL\(' + QUOTED + r',\s*' + QUOTED + r'\)', text):
                    texts.setdefault(match.group(1) + '|' + match.group(2), os.path.relpath(path, ROOT))
    return texts


def table_entries():
    """[(key, value)] of the table, in order, with the escapes left as written."""
    with open(TABLE, encoding='utf-8') as table:
        text = re.sub(r'/\*.*?\*/', '', table.read(), flags=re.S)
    return [(m.group(1), m.group(2)) for m in re.finditer(r'^\s*' + QUOTED + r'\s*=\s*' + QUOTED + r'\s*;', text, re.M)]


def placeholders(text):
    """The format placeholders of a text, positions dropped ("%2$@" is "%@")."""
    return sorted(re.sub(r'\d+\$', '', p) for p in re.findall(r'%(?:\d+\$)?[@dsf]', text))


class GermanTable(unittest.TestCase):
    def test_every_text_the_program_shows_has_a_german_entry(self):
        keys = {key for key, _ in table_entries()}
        missing = sorted(f'{text!r} ({where})' for text, where in program_texts().items() if text not in keys)
        self.assertEqual(missing, [], 'texts without a German entry')

    def test_entries_keep_the_placeholders_of_their_key(self):
        wrong = [key for key, value in table_entries() if placeholders(key) != placeholders(value)]
        self.assertEqual(wrong, [])

    def test_no_key_is_written_twice(self):
        seen, twice = set(), []
        for key, _ in table_entries():
            if key in seen:
                twice.append(key)
            seen.add(key)
        self.assertEqual(twice, [])


if __name__ == '__main__':
    unittest.main()
