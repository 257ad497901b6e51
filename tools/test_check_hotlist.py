#!/usr/bin/env python3
"""The hotlist checker accepts a well-formed file and rejects each kind of damage."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_hotlist  # noqa: E402

GOOD = (
    "Hotlist version 2.0\n"
    "Options: encoding = utf8, version=3\n"
    "\n"
    "#FOLDER\n\tID=11\n\tNAME=Новости\n\tCREATED=1300000000\n\n"
    "#URL\n\tID=12\n\tNAME=Daily\n\tURL=https://news.example/?a=1&b=2\n\tIN PANEL=YES\n\n"
    "#SEPERATOR\n\n"
    "#FOLDER\n\tID=13\n\tNAME=Empty\n\n"
    "-\n\n"
    "-\n\n"
    "#URL\n\tID=14\n\tNAME=Root\n\tURL=http://example.org/\n\n"
)


def check(text):
    data = text.encode("utf-8") if isinstance(text, str) else text
    return check_hotlist.check_bytes(data)


class CheckHotlistTest(unittest.TestCase):
    def assert_rejected(self, text, fragment):
        errors, _ = check(text)
        messages = " | ".join(message for _, message in errors)
        self.assertIn(fragment, messages)

    def test_good_file_and_its_counts(self):
        errors, stats = check(GOOD)
        self.assertEqual(errors, [])
        self.assertEqual((stats.folders, stats.bookmarks, stats.separators), (2, 2, 1))
        self.assertEqual((stats.max_depth, stats.empty_folders, stats.root_bookmarks), (2, 1, 1))
        self.assertEqual(stats.last_root_entry, ("bookmark", "Root"))
        self.assertEqual(stats.line_ending, "lf")
        errors, stats = check(GOOD.replace("\n", "\r\n"))
        self.assertEqual(errors, [])
        self.assertEqual(stats.line_ending, "crlf")

    def test_unbalanced_folders(self):
        self.assert_rejected(GOOD.replace("-\n\n#URL", "#URL"), "never closed")
        self.assert_rejected(GOOD + "-\n\n", "no folder open")

    def test_blocks_must_end_with_an_empty_line(self):
        self.assert_rejected(GOOD.replace("CREATED=1300000000\n\n", "CREATED=1300000000\n"),
                             "expected a tab-indented")
        self.assert_rejected(GOOD[:-1], "not closed by an empty line")
        self.assert_rejected(GOOD.replace("-\n\n#URL", "-\n#URL"), "followed by an empty line")
        self.assert_rejected(GOOD.replace("#SEPERATOR\n\n", "#SEPERATOR\n"),
                             "followed by an empty line")
        self.assert_rejected(GOOD + "\n", "empty line between entries")

    def test_ids(self):
        self.assert_rejected(GOOD.replace("ID=14", "ID=12"), "ID 12 used again")
        self.assert_rejected(GOOD.replace("ID=14", "ID=2147483648"), "does not fit")
        self.assert_rejected(GOOD.replace("ID=14", "ID=1e3"), "not a decimal number")
        self.assert_rejected(GOOD.replace("\tID=14\n", ""), "without ID")
        self.assert_rejected(GOOD.replace("CREATED=1300000000", "CREATED=-1"), "does not fit")

    def test_fields(self):
        self.assert_rejected(GOOD.replace("\tIN PANEL", "  IN PANEL"), "expected a tab-indented")
        self.assert_rejected(GOOD.replace("IN PANEL=YES", "IN PANEL=yes"), "YES or NO")
        self.assert_rejected(GOOD.replace("IN PANEL=YES", "NAMEX=1"), "does not belong")
        self.assert_rejected(GOOD.replace("\tCREATED=1300000000", "\tURL=x"), "does not belong")
        self.assert_rejected(GOOD.replace("IN PANEL=YES", "NAME=Again"), "given twice")
        self.assert_rejected(GOOD.replace("\tURL=http://example.org/\n", ""), "without URL")

    def test_folder_names(self):
        self.assert_rejected(GOOD.replace("NAME=Empty", "NAME=a\\b"), "backslash")
        self.assert_rejected(GOOD.replace("NAME=Empty", "NAME=" + "я" * 130), "longer than")
        twin = "#FOLDER\n\tID=20\n\tNAME=Новости\n\n-\n\n"
        self.assert_rejected(GOOD + twin, "sibling of the same name")
        errors, _ = check(GOOD.replace("NAME=Empty", "NAME=Новости"))
        self.assertEqual(errors, [], "the same name at another level is fine")

    def test_bytes(self):
        self.assert_rejected(b"\xef\xbb\xbf" + GOOD.encode(), "byte-order mark")
        self.assert_rejected(GOOD.replace("Daily", "Da\rily"), "CR inside the line")
        self.assert_rejected(GOOD.encode().replace(b"Daily", b"Da\xffily"), "invalid UTF-8")
        self.assert_rejected(GOOD.replace("\n", "\r\n", 5), "earlier lines")
        self.assert_rejected(GOOD + "\x1a", "0x1A")
        self.assert_rejected("header only\n", "no entries")
        self.assert_rejected(GOOD.replace("#FOLDER\n\tID=11", "#FOLDER \n\tID=11"),
                             "expected \"#FOLDER\"")

    def test_main_reports_and_exit_code(self):
        path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "no-such.hotlist")
        self.assertEqual(check_hotlist.main([path]), 1)


if __name__ == "__main__":
    unittest.main(verbosity=2)
