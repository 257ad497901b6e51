#!/usr/bin/env python3
"""Tests of genhotlist: its output is well formed, has the shape the options
ask for, depends only on the options, and still reproduces the checked-in
realistic.hotlist.

Usage: test_genhotlist.py GENHOTLIST WORK_DIR REALISTIC_HOTLIST
"""

import os
import shlex
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_hotlist  # noqa: E402

GENHOTLIST = WORK_DIR = REALISTIC = None


def folder_count(depth, fanout):
    return sum(fanout ** level for level in range(1, depth + 1))


def generate(*args):
    result = subprocess.run([GENHOTLIST, *map(str, args)], capture_output=True, check=False)
    if result.returncode != 0:
        raise AssertionError(f"genhotlist {args} failed: {result.stderr.decode()}")
    return result.stdout


class GenHotlistTest(unittest.TestCase):
    def assert_well_formed(self, data):
        errors, stats = check_hotlist.check_bytes(data)
        self.assertEqual(errors, [], "generated hotlist is not well formed")
        return stats

    def test_same_seed_gives_same_bytes_to_stdout_and_to_a_file(self):
        path = os.path.join(WORK_DIR, "seed5.hotlist")
        first = generate("--bookmarks", 3000, "--seed", 5)
        generate("--bookmarks", 3000, "--seed", 5, "--output", path)
        with open(path, "rb") as file:
            self.assertEqual(first, file.read())

    def test_seed_changes_the_output(self):
        self.assertNotEqual(generate("--seed", 1), generate("--seed", 2))

    def test_defaults(self):
        stats = self.assert_well_formed(generate())
        self.assertEqual(stats.bookmarks, 1000)
        self.assertEqual(stats.folders, folder_count(3, 4))
        self.assertEqual(stats.max_depth, 3)
        self.assertEqual(stats.line_ending, "lf")
        self.assertGreater(stats.separators, 0)

    def test_shape_and_crlf(self):
        data = generate("--bookmarks", 5000, "--depth", 5, "--fanout", 3, "--crlf", "--seed", 9)
        stats = self.assert_well_formed(data)
        self.assertEqual(stats.bookmarks, 5000)
        self.assertEqual(stats.folders, folder_count(5, 3))
        self.assertEqual(stats.max_depth, 5)
        self.assertEqual(stats.line_ending, "crlf")
        self.assertEqual(data.count(b"\n"), data.count(b"\r\n"))

    def test_fields_are_realistic(self):
        data = generate("--bookmarks", 2000, "--seed", 3).decode("utf-8")
        self.assertTrue(data.startswith("Hotlist version 2.0\n"))
        for key in ("DESCRIPTION", "SHORT NAME", "ICONFILE", "CREATED", "VISITED"):
            self.assertIn(f"\n\t{key}=", data)
        self.assertIn("?", data)  # query strings
        self.assertRegex(data, r"\n\tNAME=[^\n]*[а-яА-ЯёЁ]")
        self.assertRegex(data, r"\n\tNAME=[^\n]*[a-zA-Z]")

    def test_all_nested_with_tail_folder(self):
        data = generate("--bookmarks", 800, "--all-nested", "--tail-folder", "Последняя папка")
        stats = self.assert_well_formed(data)
        self.assertEqual(stats.root_bookmarks, 0)
        self.assertEqual(stats.bookmarks, 805)
        self.assertEqual(stats.folders, folder_count(3, 4) + 1)
        self.assertEqual(stats.last_root_entry, ("folder", "Последняя папка"))
        self.assertTrue(data.endswith(b"\n-\n\n"))

    def test_tail_folder_keeps_its_name_unique(self):
        # One level of 70 folders uses every topic name, the tail's included.
        data = generate("--bookmarks", 100, "--depth", 1, "--fanout", 70,
                        "--tail-folder", "Новости")
        stats = self.assert_well_formed(data)
        self.assertEqual(stats.folders, 71)
        self.assertEqual(stats.last_root_entry, ("folder", "Новости"))

    def test_no_folders_and_no_bookmarks(self):
        stats = self.assert_well_formed(generate("--bookmarks", 50, "--depth", 0))
        self.assertEqual((stats.folders, stats.bookmarks, stats.root_bookmarks), (0, 50, 50))
        stats = self.assert_well_formed(generate("--bookmarks", 0, "--tail-folder", "End"))
        self.assertEqual(stats.bookmarks, 5)

    def test_bad_options_fail_with_a_message(self):
        for args in (["--all-nested", "--depth", "0"], ["--bookmarks", "-5"],
                     ["--depth", "40", "--fanout", "10"], ["--tail-folder", "a\\b"],
                     ["--depth", "1001", "--fanout", "1"], ["--fanout", "x"]):
            result = subprocess.run([GENHOTLIST, *args], capture_output=True, check=False)
            self.assertNotEqual(result.returncode, 0, args)
            self.assertEqual(result.stdout, b"", args)
            self.assertNotEqual(result.stderr.strip(), b"", args)

    def test_unwritable_output_fails(self):
        path = os.path.join(WORK_DIR, "no-such-dir", "out.hotlist")
        result = subprocess.run([GENHOTLIST, "--output", path], capture_output=True, check=False)
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"cannot open", result.stderr)

    def test_realistic_hotlist_is_reproduced_by_its_recorded_command(self):
        readme = os.path.join(os.path.dirname(REALISTIC), "README.md")
        with open(readme, encoding="utf-8") as file:
            commands = [line.split() for line in file
                        if line.startswith("genhotlist ") and "realistic.hotlist" in line]
        self.assertEqual(len(commands), 1, "README.md must record one command")
        args = commands[0][1:]
        out = args.index("--output")
        args[out + 1] = os.path.join(WORK_DIR, "realistic.hotlist")
        generate(*args)
        with open(args[out + 1], "rb") as made, open(REALISTIC, "rb") as kept:
            self.assertEqual(made.read(), kept.read(),
                             "regenerate with: genhotlist " + shlex.join(commands[0][1:]))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    GENHOTLIST, WORK_DIR, REALISTIC = sys.argv[1:4]
    os.makedirs(WORK_DIR, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=2)
