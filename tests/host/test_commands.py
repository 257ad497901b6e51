#!/usr/bin/env python3
"""Tests of the tansy commands against the real library.

Environment: TANSY (the tansy executable), TANSY_PARTIAL_PLUGIN (a library
lacking most exports), TANSY_BARE_PLUGIN (the same without the harness
exports), TANSY_ENDLESS_PLUGIN (a listing that never ends), TANSY_SOURCE_DIR
(the source tree, for the sample).
Run one group with `test_commands.py ListTests`.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TANSY = os.environ.get("TANSY", "tansy")
LIBRARY = os.path.join(os.path.dirname(TANSY), "TANSY_WFX.wfx")
SOURCE_DIR = os.environ.get("TANSY_SOURCE_DIR", os.path.dirname(os.path.dirname(HERE)))
SAMPLE = os.path.join(SOURCE_DIR, "data", "sample.hotlist")

sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))
import hotlist_tree  # noqa: E402  (the hotlist's tree read without the library)

SMALL = os.path.join(HERE, "hotlists", "small.hotlist")
BAD_NUMBER = os.path.join(HERE, "hotlists", "badnumber.hotlist")
EMPTY_NAMES = os.path.join(HERE, "hotlists", "emptynames.hotlist")
CODE_PAGE = os.path.join(HERE, "hotlists", "codepage.hotlist")
NEXT_FAILURE = os.path.join(HERE, "hotlists", "nextfailure.hotlist")
UNICODE = os.path.join(SOURCE_DIR, "tests", "transcripts", "hotlists", "unicode.hotlist")


def line_of(path, text):
    """The number of the line that holds `text` after its indent."""
    with open(path, encoding="utf-8") as stream:
        return [line.rstrip("\n")[1:] for line in stream].index(text) + 1
MISSING = os.path.join(HERE, "hotlists", "no-such.hotlist")


def utf16_units(text):
    data = text.encode("utf-16-le")
    return [int.from_bytes(data[i:i + 2], "little") for i in range(0, len(data), 2)]


def expected(name):
    with open(os.path.join(HERE, "expected", name), encoding="utf-8") as stream:
        return stream.read()


class TansyTest(unittest.TestCase):
    """Runs tansy with a private TMPDIR and checks that nothing is left in it."""

    def setUp(self):
        self.temp = tempfile.mkdtemp(prefix="tansy-test-")
        self.environment = dict(os.environ, TMPDIR=self.temp)
        self.environment.pop("TANSY_CODEPAGE", None)

    def tearDown(self):
        left = os.listdir(self.temp)
        shutil.rmtree(self.temp, ignore_errors=True)
        self.assertEqual(left, [], "tansy left its private folder behind")

    def tansy(self, *args, codepage="65001", hotlist=SMALL, stdin=None, env=None):
        command = [TANSY]
        if codepage:
            command += ["--codepage", codepage]
        if hotlist:
            command += ["--hotlist", hotlist]
        command += list(args)
        environment = dict(self.environment, **(env or {}))
        run = subprocess.run(command, input=stdin.encode("utf-8") if stdin is not None else None,
                             stdin=None if stdin is not None else subprocess.DEVNULL,
                             capture_output=True, env=environment, timeout=120)
        run.out = run.stdout.decode("utf-8")
        run.err = run.stderr.decode("utf-8")
        return run

    def assertFails(self, run, pattern, status=1):
        """One error line on standard error, matching `pattern`, and the status."""
        self.assertEqual(run.returncode, status, run.err)
        lines = run.err.splitlines()
        self.assertEqual(len(lines), 1, run.err)
        self.assertTrue(lines[0].startswith("tansy: "), lines[0])
        self.assertRegex(lines[0], pattern)

    def assertSucceeds(self, run):
        self.assertEqual(run.returncode, 0, run.err)
        self.assertEqual(run.err, "")
        return run.out


class ListTests(TansyTest):
    def test_table_of_a_folder(self):
        self.assertEqual(self.assertSucceeds(self.tansy("ls")), expected("ls_small.txt"))

    def test_names_are_utf8_whatever_the_code_page(self):
        utf8 = self.assertSucceeds(self.tansy("ls", "\\Новости"))
        cp1251 = self.assertSucceeds(self.tansy("ls", "\\Новости", codepage="1251"))
        self.assertEqual(utf8, cp1251)
        self.assertIn("Лента", utf8)
        self.assertIn("Архив", utf8)
        # The TANSY_CODEPAGE variable chooses the same as the option.
        self.assertEqual(self.assertSucceeds(self.tansy("ls", "\\Новости", codepage=None,
                                                        env={"TANSY_CODEPAGE": "1251"})), utf8)

    def test_bytes_without_a_character_in_1251(self):
        # 0x98 has no character in Windows-1251; Windows maps it to U+0098 both
        # ways, and so does tansy, in names shown and in paths typed.
        document = json.loads(self.assertSucceeds(self.tansy("--ansi", "ls", "--json", codepage="1251",
                                                             hotlist=CODE_PAGE)))
        self.assertEqual([(e["name"], e["name_bytes"]) for e in document["entries"]],
                         [("a\u0098b", [0x61, 0x98, 0x62]), ("caf?", [0x63, 0x61, 0x66, 0x3F])])
        document = json.loads(self.assertSucceeds(self.tansy("--ansi", "ls", "--json", "/a\u0098b", codepage="1251",
                                                             hotlist=CODE_PAGE)))
        self.assertEqual([(e["name"], e["name_bytes"]) for e in document["entries"]],
                         [("Ёлка", [0xA8, 0xEB, 0xEA, 0xE0])])
        self.assertEqual(document["path"], "\\a\u0098b")
        # The Unicode interface passes U+0098 and é through whole.
        document = json.loads(self.assertSucceeds(self.tansy("ls", "--json", codepage="1251", hotlist=CODE_PAGE)))
        self.assertEqual([(e["name"], e["name_units"]) for e in document["entries"]],
                         [("a\u0098b", [0x61, 0x98, 0x62]), ("café", [0x63, 0x61, 0x66, 0xE9])])
        document = json.loads(self.assertSucceeds(self.tansy("ls", "--json", "/a\u0098b", codepage="1251",
                                                             hotlist=CODE_PAGE)))
        self.assertEqual([e["name"] for e in document["entries"]], ["Ёлка"])

    def test_names_through_each_interface(self):
        # The Unicode interface shows every name as the hotlist holds it, under
        # any code page; the ANSI one gives "?" for what code page 1251 lacks
        # and an empty name for a four-byte character.
        wanted = ["Party 😀", "日本語", "中国話", "Café crème", "bad \ufffd byte", "🎉 Party 😀", "Long", "after"]
        for codepage in ["1251", "1252", "65001"]:
            document = json.loads(self.assertSucceeds(self.tansy("ls", "--json", codepage=codepage, hotlist=UNICODE)))
            self.assertEqual(document["interface"], "unicode")
            self.assertEqual([e["name"] for e in document["entries"]], wanted, codepage)
            for entry in document["entries"]:
                self.assertEqual(entry["name_units"], utf16_units(entry["name"]))
        table = self.assertSucceeds(self.tansy("ls", codepage="1251", hotlist=UNICODE))
        self.assertEqual([line.split("  ")[-1] for line in table.splitlines()[1:5]], wanted[:4])
        document = json.loads(self.assertSucceeds(self.tansy("--ansi", "ls", "--json", codepage="1251", hotlist=UNICODE)))
        self.assertEqual(document["interface"], "ansi")
        self.assertEqual([e["name"] for e in document["entries"][:4]], ["", "???", "???", "Caf? cr?me"])
        long_names = json.loads(self.assertSucceeds(self.tansy("ls", "--json", "\\Long", hotlist=UNICODE)))
        self.assertEqual([e["name"] for e in long_names["entries"]], ["漢" * 259, "字" * 258])

    def test_path_forms(self):
        wanted = self.assertSucceeds(self.tansy("ls", "\\Новости\\Архив"))
        self.assertIn("2019", wanted)
        for path in ["/Новости/Архив", "Новости\\Архив", "\\Новости\\Архив\\", "/Новости/Архив/"]:
            self.assertEqual(self.assertSucceeds(self.tansy("ls", path)), wanted, path)
        self.assertEqual(self.assertSucceeds(self.tansy("ls", "\\")), self.assertSucceeds(self.tansy("ls")))

    def test_json(self):
        for codepage, encoding in [("65001", "utf-8"), ("1251", "cp1251")]:
            ansi = json.loads(self.assertSucceeds(self.tansy("--ansi", "ls", "--json", codepage=codepage)))
            for entry in ansi["entries"]:
                self.assertEqual(bytes(entry["name_bytes"]), entry["name"].encode(encoding))
            document = json.loads(self.assertSucceeds(self.tansy("ls", "--json", codepage=codepage)))
            self.assertEqual([e["name"] for e in document["entries"]], [e["name"] for e in ansi["entries"]])
            self.assertEqual(document["path"], "\\")
            self.assertEqual(document["code_page"], int(codepage))
            self.assertEqual(document["hotlist"], SMALL)
            entries = document["entries"]
            self.assertEqual([(e["kind"], e["name"]) for e in entries],
                             [("bookmark", "Start page"), ("folder", "Новости"), ("bookmark", "Edge")])
            for entry in entries:
                self.assertEqual(entry["name_units"], utf16_units(entry["name"]))
            start, news, edge = entries
            self.assertEqual((start["id"], start["created"], start["visited"]), (1, 1600000000, 1700000000))
            self.assertEqual(start["created_utc"], "2020-09-13T12:26:40Z")
            self.assertEqual(start["visited_utc"], "2023-11-14T22:13:20Z")
            self.assertEqual((news["attributes"], news["visited"], news["visited_utc"]), (16, 0, None))
            self.assertEqual(start["attributes"], 0)
            # ID and CREATED of -1 arrive as their 32-bit patterns.
            self.assertEqual((edge["id"], edge["created"]), (4294967295, 4294967295))
            self.assertEqual(edge["created_utc"], "2106-02-07T06:28:15Z")

    def test_empty_folder_lists_nothing(self):
        self.assertEqual(self.assertSucceeds(self.tansy("ls", "\\Новости\\Пусто")), "")
        document = json.loads(self.assertSucceeds(self.tansy("ls", "--json", "\\Новости\\Пусто")))
        self.assertEqual(document["entries"], [])

    def test_folder_that_does_not_exist(self):
        run = self.tansy("ls", "\\Nope")
        self.assertFails(run, r"^tansy: cannot list \\Nope: no such folder in hotlist " + re.escape(SMALL) + "$")
        self.assertEqual(run.out, "")
        # Names compare exactly: no case folding.
        self.assertFails(self.tansy("ls", "\\новости"), r"no such folder")
        self.assertFails(self.tansy("ls", "\\Новости\\Nope"), r"cannot list \\Новости\\Nope: no such folder")
        self.assertFails(self.tansy("ls", "\\Nope\\Deeper"), r"no such folder")

    def test_bookmark_is_no_folder(self):
        self.assertFails(self.tansy("ls", "\\Start page"),
                         r"^tansy: cannot list \\Start page: it is a bookmark, not a folder$")

    def test_hotlist_that_cannot_be_read(self):
        self.assertFails(self.tansy("ls", hotlist=MISSING),
                         r"^tansy: cannot list \\: cannot read hotlist " + re.escape(MISSING) + ": File not found$")
        folder = os.path.join(HERE, "hotlists")
        self.assertFails(self.tansy("ls", hotlist=folder), r"cannot read hotlist .*: File access denied$")
        missing_folder = os.path.join(HERE, "no-such-folder", "x.hotlist")
        self.assertFails(self.tansy("ls", hotlist=missing_folder), r"cannot read hotlist .*: Path not found$")

    @unittest.skipIf(hasattr(os, "geteuid") and os.geteuid() == 0, "root reads any file")
    def test_hotlist_without_permission(self):
        locked = os.path.join(self.temp, "..", os.path.basename(self.temp) + "-locked.hotlist")
        shutil.copy(SMALL, locked)
        os.chmod(locked, 0)
        try:
            self.assertFails(self.tansy("ls", hotlist=locked), r"File access denied$")
        finally:
            os.remove(locked)

    def test_bad_number_says_where(self):
        self.assertFails(self.tansy("ls", "\\Bad", hotlist=BAD_NUMBER),
                         r"^tansy: cannot list \\Bad: hotlist .*badnumber.hotlist holds a value that is "
                         r"not a number; line 23: ID=12x$")
        # Bookmarks are parsed only when listed: the top level lists.
        self.assertIn("Bad", self.assertSucceeds(self.tansy("ls", hotlist=BAD_NUMBER)))

    def test_failure_after_the_first_entry(self):
        # FsFindNext answers a failure as "no more entries"; tansy must not
        # show the folder as if it ended there.
        wrong = line_of(NEXT_FAILURE, "ID=x1")
        run = self.tansy("ls", "\\Early", hotlist=NEXT_FAILURE)
        self.assertFails(run, r"^tansy: cannot list \\Early: .* not a number; line %d: ID=x1$" % wrong)
        self.assertEqual(run.out, "")
        # Where: the listed folder's own bookmark, not the first bad line of the file.
        soon = line_of(NEXT_FAILURE, "CREATED=soon")
        self.assertFails(self.tansy("ls", "\\Later", hotlist=NEXT_FAILURE),
                         r"cannot list \\Later: .* not a number; line %d: CREATED=soon$" % soon)
        self.assertFails(self.tansy("tree", hotlist=NEXT_FAILURE),
                         r"cannot list \\Early: .* not a number; line %d: ID=x1$" % wrong)
        # Folder blocks hold no bad number: the top level lists.
        self.assertIn("Later", self.assertSucceeds(self.tansy("ls", hotlist=NEXT_FAILURE)))

    def list_entries(self, entries, path="\\"):
        """Lists `path` of a hotlist of `entries` after the header."""
        with tempfile.TemporaryDirectory() as folder:
            hotlist = os.path.join(folder, "entries.hotlist")
            with open(hotlist, "w", encoding="utf-8") as stream:
                stream.write("Hotlist version 2.0\n\n" + entries)
            return self.tansy("ls", path, hotlist=hotlist)

    def test_bad_number_the_listing_passes_over(self):
        # The line after a returned folder's "-" is not looked at, and the
        # bookmarks in a folder without a name are not the root's entries,
        # though it has the root's path: the listing fails on a later line.
        run = self.list_entries("#FOLDER\n\tNAME=P\n\n#FOLDER\n\tNAME=F\n\n-\n#URL\n\tID=passed\n\n"
                                "#URL\n\tID=listed\n\n-\n", "\\P")
        self.assertFails(run, r"not a number; line 14: ID=listed$")
        run = self.list_entries("#FOLDER\n\tNAME=\n\n#URL\n\tID=inner\n\n-\n\n#URL\n\tID=outer\n\n")
        self.assertFails(run, r"not a number; line 12: ID=outer$")

    def test_long_bad_line_is_cut_between_characters(self):
        # At most 80 bytes of the line are shown, and never half a character.
        run = self.list_entries("#URL\n\tID=x" + "я" * 50 + "\n\tNAME=Long\n\n")
        self.assertFails(run, r"not a number; line 4: ID=xя{36}\.\.\.$")

    def test_path_outside_the_code_page(self):
        self.assertFails(self.tansy("--ansi", "ls", "\\日本", codepage="1251"),
                         r"the path \\日本 cannot be written in the library's code page 1251")
        # The Unicode interface takes any path.
        self.assertFails(self.tansy("ls", "\\日本", codepage="1251"), r"cannot list \\日本: no such folder")


class TreeTests(TansyTest):
    def test_drawing(self):
        self.assertEqual(self.assertSucceeds(self.tansy("tree")), expected("tree_small.txt"))

    def test_below_a_folder(self):
        out = self.assertSucceeds(self.tansy("tree", "/Новости/Архив"))
        self.assertEqual(out, "\\Новости\\Архив\n└── 2019\n")

    def test_json_nests_folders(self):
        document = json.loads(self.assertSucceeds(self.tansy("tree", "--json", codepage="1251")))

        def shape(entries):
            return [(e["name"], shape(e["entries"])) if e["kind"] == "folder" else e["name"] for e in entries]

        self.assertEqual(shape(document["entries"]),
                         ["Start page", ("Новости", ["Лента", ("Архив", ["2019"]), ("Пусто", [])]), "Edge"])
        bookmark = document["entries"][0]
        self.assertNotIn("entries", bookmark)
        self.assertEqual(bookmark["id"], 1)

    def test_sample_shows_every_entry(self):
        with open(SAMPLE, encoding="utf-8") as stream:
            lines = stream.read().splitlines()
        document = json.loads(self.assertSucceeds(self.tansy("tree", "--json", hotlist=None)))
        self.assertIsNone(document["hotlist"])
        counts = {"folder": 0, "bookmark": 0}

        def count(entries):
            for entry in entries:
                counts[entry["kind"]] += 1
                count(entry.get("entries", []))

        count(document["entries"])
        self.assertEqual(counts["bookmark"], lines.count("#URL"))
        self.assertEqual(counts["folder"], lines.count("#FOLDER"))

    def test_count(self):
        self.assertEqual(self.assertSucceeds(self.tansy("count")), "\\: 4 bookmarks, 3 folders, size 4294967304\n")
        document = json.loads(self.assertSucceeds(self.tansy("count", "--json", "/Новости")))
        self.assertEqual([document[key] for key in ["path", "bookmarks", "folders", "size"]], ["\\Новости", 2, 2, 8])
        self.assertFails(self.tansy("count", "\\Start page"), r"it is a bookmark, not a folder$")

    def test_depth_first_walk_of_the_sample(self):
        # tree and count list each sub-folder inside its parent's listing, as
        # a file manager's search or size count does: every folder's totals
        # must still be those of the hotlist.
        tree = hotlist_tree.read_tree(SAMPLE)
        self.assertEqual(hotlist_tree.count(tree, "/")[:2], (60, 21))
        for folder in (path for path in tree if "\0" not in path):
            document = json.loads(self.assertSucceeds(self.tansy("count", "--json", folder, hotlist=None)))
            self.assertEqual((document["bookmarks"], document["folders"], document["size"]),
                             hotlist_tree.count(tree, folder), folder)

    def test_deep_nest(self):
        # The walk keeps one open listing a level and no call stack of its
        # own. 1200 levels are walked whole; at 2500 the library gives up the
        # outer listings (error 4) and tansy says so instead of failing
        # silently or crashing.
        folder = tempfile.mkdtemp(prefix="tansy-nest-")
        self.addCleanup(shutil.rmtree, folder, True)

        def nest(depth):
            path = os.path.join(folder, "nest%d.hotlist" % depth)
            with open(path, "w", encoding="utf-8") as stream:
                stream.write("Hotlist version 2.0\nOptions: encoding = utf8, version=3\n\n")
                stream.write("".join("#FOLDER\n\tID=%d\n\tNAME=F\n\n" % (level + 1) for level in range(depth)))
                stream.write("#URL\n\tID=7\n\tNAME=Bottom\n\n" + "-\n\n" * depth)
            return path

        self.assertEqual(self.assertSucceeds(self.tansy("count", hotlist=nest(1200))),
                         "\\: 1 bookmarks, 1200 folders, size 7\n")
        self.assertFails(self.tansy("count", hotlist=nest(2500)),
                         r"^tansy: cannot list (\\F){2,}: too many open files or listings \(error 4\)")

    def test_folders_whose_path_repeats(self):
        # A folder without a name has its parent's path: listing it again
        # would never end.
        out = self.assertSucceeds(self.tansy("tree", hotlist=EMPTY_NAMES))
        self.assertEqual(out, "\\\n├── \\  (its own path again)\n└── After\n")

    def test_failure_below_the_top(self):
        run = self.tansy("tree", hotlist=BAD_NUMBER)
        self.assertFails(run, r"^tansy: cannot list \\Bad: .* not a number; line 23: ID=12x$")
        self.assertEqual(run.out, "")

    def test_missing_folder(self):
        self.assertFails(self.tansy("tree", "\\Nope"), r"no such folder")
        self.assertFails(self.tansy("tree", "--json", hotlist=MISSING), r"File not found$")


class PropertiesTests(TansyTest):
    def test_box_of_a_bookmark(self):
        out = self.assertSucceeds(self.tansy("props", "\\Новости\\Лента"))
        self.assertEqual(out.splitlines()[:3], ["[Параметры закладки]", "ID: 3", "ИМЯ: Лента"])
        self.assertIn("\nURL: https://news.example/feed\n", out)
        self.assertIn("\nОПИСАНИЕ:Главное за день\n", out)
        self.assertTrue(out.endswith("\nСОЗДАНА: 1600000200\nПОСЕЩЕНА: 1700000200\n"), out)
        self.assertEqual(self.assertSucceeds(self.tansy("props", "/Новости/Лента", codepage="1251")), out)

    def test_names_the_code_page_lacks(self):
        # Through the Unicode interface each name finds exactly its own box,
        # and the box shows every text decoded; through the ANSI one under
        # 1251, 日本語 and 中国話 are both "\\???" and show two boxes.
        out = self.assertSucceeds(self.tansy("props", "\\日本語", codepage="1251", hotlist=UNICODE))
        self.assertEqual(out.count("[Параметры закладки]"), 1)
        self.assertIn("\nИМЯ: 日本語\n", out)
        out = self.assertSucceeds(self.tansy("props", "/Café crème", codepage="1251", hotlist=UNICODE))
        self.assertIn("\nURL: https://пример.рф/путь\n", out)
        self.assertIn("\nОПИСАНИЕ:Crème brûlée — Καλημέρα 🥐\n", out)
        out = self.assertSucceeds(self.tansy("--ansi", "props", "\\???", codepage="1251", hotlist=UNICODE))
        self.assertEqual([line for line in out.splitlines() if line.startswith("ID: ")], ["ID: 2", "ID: 3"])
        self.assertFails(self.tansy("props", "\\???", codepage="1251", hotlist=UNICODE), r"no such bookmark")
        self.assertFails(self.tansy("props", "\\🎉 Party 😀", hotlist=UNICODE), r"it is a folder")

    def test_folder_has_no_properties(self):
        self.assertFails(self.tansy("props", "\\Новости"),
                         r"^tansy: no properties for \\Новости: it is a folder, and only bookmarks have properties$")

    def test_no_such_bookmark(self):
        self.assertFails(self.tansy("props", "\\Новости\\Nope"),
                         r"^tansy: no properties for \\Новости\\Nope: no such bookmark in hotlist .*small.hotlist$")

    def test_hotlist_that_cannot_be_read(self):
        run = self.tansy("props", "\\Start page", hotlist=MISSING)
        self.assertFails(run, r"^tansy: cannot show the properties of \\Start page: cannot read hotlist .*: "
                              r"File not found$")
        self.assertEqual(run.out, "")

    def test_bad_number(self):
        self.assertFails(self.tansy("props", "\\Good\\Fine", hotlist=BAD_NUMBER),
                         r"not a number; line 23: ID=12x$")
        # The scan reads every block: the first bad line of the file stops it.
        self.assertFails(self.tansy("props", "\\Later\\Good", hotlist=NEXT_FAILURE),
                         r"not a number; line %d: ID=x1$" % line_of(NEXT_FAILURE, "ID=x1"))


class ExecuteTests(TansyTest):
    def test_open_does_nothing(self):
        self.assertEqual(self.assertSucceeds(self.tansy("exec", "open", "\\Start page")), "result: 0\n")

    def test_properties_shows_the_box(self):
        out = self.assertSucceeds(self.tansy("exec", "properties", "\\Start page"))
        self.assertTrue(out.startswith("[Параметры закладки]\nID: 1\nИМЯ: Start page\n"), out)
        self.assertTrue(out.endswith("\n\nresult: 0\n"), out)

    def test_verbs_compare_exactly(self):
        for verb in ["Properties", "properties ", "chmod 777", "quote x"]:
            self.assertEqual(self.assertSucceeds(self.tansy("exec", verb, "\\Start page")), "result: 0\n", verb)

    def test_unicode_verb(self):
        self.assertTrue(self.assertSucceeds(self.tansy("exec", "properties", "\\Party 😀", hotlist=UNICODE))
                        .startswith("[Параметры закладки]\nID: 1\nИМЯ: Party 😀\n"))
        self.assertEqual(self.assertSucceeds(self.tansy("exec", "свойства", "\\Party 😀", hotlist=UNICODE)),
                         "result: 0\n")

    def test_failure_prints_the_result(self):
        run = self.tansy("exec", "properties", "\\Start page", hotlist=MISSING)
        self.assertEqual(run.out, "result: 1 (last error 2)\n")
        self.assertFails(run, r"^tansy: properties on \\Start page failed: cannot read hotlist .*: File not found$")


class ScriptTests(TansyTest):
    def test_scenario_from_standard_input(self):
        for args in [("script",), ("script", "-")]:
            run = self.tansy(*args, stdin="init 7\r\n; a comment\n\nstatus 0 1 \\x")
            self.assertEqual(self.assertSucceeds(run), "> init 7\n= 0\n> status 0 1 \\x\n= done\n")

    def test_numbers_are_echoed_in_decimal(self):
        out = self.assertSucceeds(self.tansy("script", stdin="init +007\ninit -0\nroot 0003\n"))
        self.assertTrue(out.startswith("> init 7\n= 0\n> init 0\n= 0\n> root 3\n"), out)
        out = self.assertSucceeds(self.tansy("script", stdin="close +01\nnext -0001\n"))
        self.assertTrue(out.startswith("> close 1\n= 0\n> next -1\n= 0"), out)

    def test_lines_that_are_no_call(self):
        cases = {
            "init 2147483648": r"line 2: \"2147483648\" is not a 32-bit decimal number",
            "init": r"line 2: init takes NR",
            "next ": r"line 2: next takes no arguments or HANDLE, a 32-bit decimal number",
            "close x": r"line 2: close takes no arguments or HANDLE",
            "next 1 2": r"line 2: next takes no arguments or HANDLE",
            "first \\%G1": r"line 2: \"%\" must be followed by two hex digits",
            "first \\%4": r"line 2: \"%\" must be followed",
            "status 0 1": r"line 2: status takes STARTEND INFOKIND PATH",
            "exec properties": r"line 2: exec takes VERB PATH",
            "List \\": r"line 2: unknown call \"List\"",
            " init 1": r"line 2: unknown call \"\"",
            "inbox": r"line 2: inbox takes LINE",
            "inbox next -": r"line 2: next takes no arguments or HANDLE",
            "firstw \\%FF": r"line 2: the text of a Unicode call is UTF-8 \(write %uHHHH",
            "execw properties \\%E6%97": r"line 2: the text of a Unicode call is UTF-8",
            "firstw \\%uD83": r"line 2: \"%\" must be followed by two hex digits, or by u and four",
            "first \\%uD83D": r"line 2: \"%\" must be followed by two hex digits \(",
            "closew": r"line 2: unknown call \"closew\" \(calls: .*; the Unicode forms initw, statusw, firstw",
            "rootw 260": r"line 2: unknown call \"rootw\"",
            "nextw x": r"line 2: nextw takes no arguments or HANDLE",
        }
        for line, pattern in cases.items():
            run = self.tansy("script", stdin="init 1\n" + line + "\n")
            self.assertFails(run, r"^tansy: scenario \(standard input\): " + pattern, status=2)
            self.assertEqual(run.out, "", line)

    def test_several_scenarios_framed(self):
        folder = tempfile.mkdtemp(prefix="tansy-scenarios-")
        self.addCleanup(shutil.rmtree, folder, True)
        scenarios = {"a.scn": "init 1\n", "bad.scn": "init 1\nwrong\n", "b.scn": "status 0 1 \\b\n"}
        for name, text in scenarios.items():
            with open(os.path.join(folder, name), "w", encoding="utf-8") as stream:
                stream.write(text)
        names = [os.path.join(folder, name) for name in ["a.scn", "missing.scn", "bad.scn", "b.scn"]]
        run = self.tansy("script", "--framed", *names)
        self.assertEqual(run.returncode, 2, run.err)
        self.assertEqual(run.out, f";; scenario {names[0]}\n> init 1\n= 0\n;; status 0\n"
                                  f";; scenario {names[1]}\n;; status 1\n"
                                  f";; scenario {names[2]}\n;; status 2\n"
                                  f";; scenario {names[3]}\n> status 0 1 \\b\n= done\n;; status 0\n")
        self.assertIn("cannot read the scenario", run.err)
        self.assertIn("line 2: unknown call", run.err)
        # Unframed, the transcripts follow one another.
        run = self.tansy("script", names[0], names[3])
        self.assertEqual(self.assertSucceeds(run), "> init 1\n= 0\n> status 0 1 \\b\n= done\n")

    def test_scenario_file_that_cannot_be_read(self):
        self.assertFails(self.tansy("script", os.path.join(HERE, "no-such.scn")), r"cannot read the scenario")

    def test_missing_exports_are_reported(self):
        run = self.tansy("--plugin", os.environ["TANSY_PARTIAL_PLUGIN"], "script",
                         stdin="init 1\nroot 260\nlist \\\nnext\nexec open \\x\n")
        self.assertEqual(run.returncode, 1)
        self.assertEqual(run.out, "> init 1\n= 0\n"
                                  "> root 260\nbox owner=none style=0 caption=Partial text=partial\n"
                                  "= written=3 name=PP%00\n"
                                  "> first \\\n= missing export FsFindFirst\n"
                                  "> next\n= missing export FsFindNext\n"
                                  "> exec open \\x\n= missing export FsExecuteFile\n")
        self.assertIn("the library does not export FsFindFirst", run.err)

    def test_unicode_calls(self):
        # Paths and names as UTF-8 text in %HH form, unpaired surrogates as
        # %uHHHH; the Unicode box on its own boxw line.
        run = self.tansy("script", hotlist=UNICODE,
                         stdin="firstw \\Party %uD83D\nfirstw \\Party 😀\nnextw 0\nclose 0\nexecw properties \\%uD83D\n"
                               "execw properties /Party %F0%9F%98%80\n")
        lines = self.assertSucceeds(run).splitlines()
        self.assertEqual(lines[:11], ["> firstw \\Party %uD83D", "= -1 error=18", "> firstw \\Party %F0%9F%98%80",
                                      "= -1 error=18", "> nextw 0", "= 0 error=6", "> close 0", "= 0",
                                      "> execw properties \\%uD83D", "= 0", "> execw properties /Party %F0%9F%98%80"])
        self.assertTrue(lines[11].startswith("boxw owner=main style=0 caption=%D0%9F%D0%B0"), lines[11])
        self.assertIn(" text=ID: 1%0A%D0%98%D0%9C%D0%AF: Party %F0%9F%98%80%0A", lines[11])
        run = self.tansy("--plugin", os.environ["TANSY_PARTIAL_PLUGIN"], "script", stdin="listw \\\nexecw open \\x\n")
        self.assertEqual(run.returncode, 1)
        self.assertEqual(run.out, "> firstw \\\n= missing export FsFindFirstW\n> execw open \\x\n"
                                  "= missing export FsExecuteFileW\n")

    def test_list_that_never_ends(self):
        run = self.tansy("--plugin", os.environ["TANSY_ENDLESS_PLUGIN"], "script", stdin="list \\\ninit 1\n")
        self.assertEqual(run.returncode, 1)
        self.assertEqual(run.out.count("> next\n"), 100000)
        self.assertTrue(run.out.endswith("> next\nentry attr=0 size=0:0 created=0:0 accessed=0:0 written=0:0 "
                                         "reserved=0:0 name= tail=clean\n= -1\n> close\n= 0\n> init 1\n= 0\n"),
                        run.out[-300:])
        self.assertFails(run, r"^tansy: scenario line 1: list stopped after 100000 entries$", status=1)

    def test_queued_line_without_a_box(self):
        run = self.tansy("script", stdin="inbox init 1\nroot 260\ninbox first \\x\n")
        self.assertEqual(run.out, "> inbox init 1\n= queued\n> root 260\n"
                                  "box owner=none style=64 caption=Information text=Installation succeful\n"
                                  "  > init 1\n  = 0\n= written=6 name=Tansy%00\n> inbox first \\x\n= queued\n")
        self.assertFails(run, r"^tansy: scenario line 3: no box was shown to run \"first \\x\" in$", status=1)

    def test_bundled_sample_without_hotlist(self):
        out = self.assertSucceeds(self.tansy("script", hotlist=None, stdin="list \\\n"))
        self.assertGreater(out.count("\nentry "), 3, out)
        self.assertTrue(out.endswith("> close\n= 0\n"), out)


class CommandLineTests(TansyTest):
    def test_program_help(self):
        out = self.assertSucceeds(self.tansy("--help", codepage=None, hotlist=None))
        for word in ["script", "ls", "tree", "count", "props", "exec", "--plugin", "--hotlist", "--codepage",
                     "--ansi", "FsFindFirstW", "--host-class", "No effect on Windows", "bundled sample"]:
            self.assertIn(word, out)

    def test_command_help(self):
        wanted = {"script": ["SCENARIO", "%HH", "box owner=", "inbox LINE", "next HANDLE", "firstw", "listw", "execw",
                             "%uHHHH", "boxw"], "ls": ["PATH", "--json", "name_units"],
                  "tree": ["PATH", "--json"], "count": ["PATH", "--json"], "props": ["PATH"],
                  "exec": ["VERB", "PATH"]}
        for command, words in wanted.items():
            out = self.assertSucceeds(self.tansy(command, "--help", codepage=None, hotlist=None))
            for word in words:
                self.assertIn(word, out, command)

    def test_usage_errors(self):
        for args in [[], ["nope"], ["ls", "--nope"], ["props"], ["exec", "open"], ["ls", "a", "b"]]:
            run = self.tansy(*args)
            self.assertFails(run, r"\(see 'tansy --help'\)$", status=2)
            self.assertEqual(run.out, "")
        self.assertFails(self.tansy("ls", codepage="866"), r"--codepage: 866 not in", status=2)

    def test_options_after_the_command(self):
        out = self.assertSucceeds(self.tansy("ls", "--hotlist", SMALL, "--codepage", "1251", codepage=None, hotlist=None))
        self.assertEqual(out, expected("ls_small.txt"))


class LoadingTests(TansyTest):
    def configured_library(self, config):
        """A copy of the library beside a configuration file of its own."""
        folder = tempfile.mkdtemp(prefix="tansy-plugin-")
        self.addCleanup(shutil.rmtree, folder, True)
        shutil.copy(LIBRARY, os.path.join(folder, "TANSY_WFX.wfx"))
        if config is not None:
            with open(os.path.join(folder, "TANSY_WFX.ini"), "w", encoding="utf-8") as stream:
                stream.write(config)
        return os.path.join(folder, "TANSY_WFX.wfx")

    def test_library_that_does_not_exist(self):
        self.assertFails(self.tansy("--plugin", "/no/such/lib.wfx", "ls"),
                         r"^tansy: cannot load the library /no/such/lib.wfx: File not found$")

    def test_file_that_is_no_library(self):
        self.assertFails(self.tansy("--plugin", SMALL, "ls"), r"^tansy: cannot load the library .*small.hotlist: ")

    def test_private_folder_removed_when_the_library_crashes(self):
        run = self.tansy("--plugin", os.environ["TANSY_PARTIAL_PLUGIN"], "script", stdin="init -99\n")
        self.assertLess(run.returncode, 0, "tansy should die of the library's signal")
        # tearDown checks that the private folder is gone.

    def test_listing_that_never_ends(self):
        for command in ["ls", "tree", "count"]:
            self.assertFails(self.tansy("--plugin", os.environ["TANSY_ENDLESS_PLUGIN"], command),
                             r"^tansy: cannot list \\: the library still answered \"one more entry\" after "
                             r"100000 entries$")

    def test_library_missing_exports(self):
        self.assertFails(self.tansy("--plugin", os.environ["TANSY_PARTIAL_PLUGIN"], "ls"),
                         r"^tansy: the library does not export FsFindFirst, FsFindNext, FsFindClose$")

    def test_library_without_harness_exports(self):
        run = self.tansy("--plugin", os.environ["TANSY_BARE_PLUGIN"], "script", stdin="init 1\n")
        self.assertFails(run, r"^tansy: cannot drive the library .*: the library does not export "
                              r"TansySetMessageBoxHook, which a POSIX build of it has$")
        self.assertEqual(run.out, "")

    def test_library_reads_its_own_configuration(self):
        library = self.configured_library("[Main]\n  HOTLIST = " + SMALL + "\n")
        self.assertEqual(self.assertSucceeds(self.tansy("--plugin", library, "ls", hotlist=None)),
                         expected("ls_small.txt"))
        # --hotlist overrides it with a private copy.
        self.assertIn("Good", self.assertSucceeds(self.tansy("--plugin", library, "ls", hotlist=BAD_NUMBER)))

    def test_configuration_naming_no_hotlist(self):
        for config in [None, "[other]\nhotlist=" + SMALL + "\n"]:
            library = self.configured_library(config)
            self.assertFails(self.tansy("--plugin", library, "ls", hotlist=None),
                             r"cannot read any hotlist: .*TANSY_WFX.ini names none \(\[main\] hotlist=\): "
                             r"File not found$")

    def test_configuration_naming_a_missing_file(self):
        library = self.configured_library("[main]\nhotlist=" + MISSING + "\n")
        self.assertFails(self.tansy("--plugin", library, "ls", hotlist=None),
                         r"cannot read hotlist " + re.escape(MISSING) + r" \(named in .*TANSY_WFX.ini\): "
                         r"File not found$")

    def test_hotlist_path_too_long_for_the_library(self):
        long_path = "/" + "x" * 300 + ".hotlist"
        self.assertFails(self.tansy("ls", hotlist=long_path), r"longer than the 255 bytes")

    def test_hotlist_path_with_blanks(self):
        folder = tempfile.mkdtemp(prefix="tansy hot list ")
        self.addCleanup(shutil.rmtree, folder, True)
        path = os.path.join(folder, " small copy ")
        shutil.copy(SMALL, path)
        self.assertEqual(self.assertSucceeds(self.tansy("ls", hotlist=path)), expected("ls_small.txt"))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[1:])
