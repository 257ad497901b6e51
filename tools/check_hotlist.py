#!/usr/bin/env python3
"""Checks that hotlist files are well formed, strictly.

A well-formed hotlist is: header lines, then blocks. A block is a marker line
("#FOLDER", "#URL" or "#SEPERATOR"), tab-indented KEY=value field lines (none
for a separator), and one empty line. A "-" line followed by an empty line
closes the innermost open folder. The checker also demands what makes every
entry reachable and readable: one line ending throughout, valid UTF-8, unique
integer IDs, numbers that fit 32 bits, YES/NO flags, folder names without a
backslash and distinct among siblings, all folders closed.

Prints one summary line per good file; prints FILE:LINE: problems to standard
error and exits with 1 if any file is not well formed.
"""

import argparse
import sys

FOLDER_KEYS = {"ID", "NAME", "SHORT NAME", "DESCRIPTION", "ON PERSONALBAR",
               "PERSONALBAR_POS", "TRASH FOLDER", "CREATED", "VISITED"}
BOOKMARK_KEYS = {"ID", "NAME", "URL", "SHORT NAME", "DESCRIPTION", "ICONFILE",
                 "ACTIVE", "ON PERSONALBAR", "PERSONALBAR_POS", "IN PANEL",
                 "PANEL_POS", "CREATED", "VISITED"}
NUMBER_KEYS = {"ID", "PERSONALBAR_POS", "PANEL_POS", "CREATED", "VISITED"}
UNSIGNED_KEYS = {"CREATED", "VISITED"}
FLAG_KEYS = {"ON PERSONALBAR", "IN PANEL", "TRASH FOLDER", "ACTIVE"}
MARKERS = {"#FOLDER", "#URL", "#SEPERATOR"}
INT32_MIN, INT32_MAX = -2**31, 2**31 - 1
# The host receives names in a 260-byte field; a longer folder name is cut
# and its path can no longer be matched.
MAX_FOLDER_NAME_BYTES = 259
MAX_ERRORS = 25


class Stats:
    def __init__(self):
        self.folders = 0
        self.bookmarks = 0
        self.separators = 0
        self.max_depth = 0
        self.empty_folders = 0
        self.root_bookmarks = 0
        self.last_root_entry = None  # ("folder" or "bookmark", name)
        self.line_ending = None


def split_lines(data, errors):
    """Splits into (number, text) pairs, checking line endings and UTF-8."""
    stats_ending = None
    if data.startswith(b"\xef\xbb\xbf"):
        errors.append((1, "byte-order mark: the reader takes the first line as header text"))
    if b"\x1a" in data:
        errors.append((data[:data.index(b"\x1a")].count(b"\n") + 1,
                       "0x1A byte: the reader takes it as the end of the file"))
    if data and not data.endswith(b"\n"):
        errors.append((data.count(b"\n") + 1, "the last line has no line break"))
    raw_lines = data.split(b"\n")
    if raw_lines and raw_lines[-1] == b"":
        raw_lines.pop()
    lines = []
    for number, raw in enumerate(raw_lines, 1):
        ending = "crlf" if raw.endswith(b"\r") else "lf"
        if ending == "crlf":
            raw = raw[:-1]
        if stats_ending is None:
            stats_ending = ending
        elif ending != stats_ending:
            errors.append((number, f"line ends with {ending.upper()}, earlier lines "
                                   f"with {stats_ending.upper()}"))
        if b"\r" in raw:
            errors.append((number, "CR inside the line"))
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError as error:
            errors.append((number, f"invalid UTF-8 at byte {error.start}"))
            text = raw.decode("utf-8", "replace")
        lines.append((number, text))
    return lines, stats_ending


def check_value(key, value, number, errors):
    if key in NUMBER_KEYS:
        digits = value[1:] if value.startswith("-") else value
        if not digits.isascii() or not digits.isdigit():
            errors.append((number, f"{key} is not a decimal number: {value!r}"))
            return
        low = 0 if key in UNSIGNED_KEYS else INT32_MIN
        if not low <= int(value) <= INT32_MAX:
            errors.append((number, f"{key}={value} does not fit the 32-bit field"))
    elif key in FLAG_KEYS and value not in ("YES", "NO"):
        errors.append((number, f"{key} must be YES or NO, not {value!r}"))
    elif key == "SHORT NAME" and len(value.encode("utf-8")) > 255:
        errors.append((number, "SHORT NAME longer than 255 bytes would be cut"))


def read_block(lines, pos, kind, errors):
    """Reads the field lines after a marker; returns (fields, position after the empty line)."""
    allowed = FOLDER_KEYS if kind == "#FOLDER" else BOOKMARK_KEYS
    fields = {}
    while True:
        if pos >= len(lines):
            errors.append((lines[-1][0], f"{kind} block not closed by an empty line"))
            return fields, pos
        number, text = lines[pos]
        pos += 1
        if text == "":
            return fields, pos
        if not text.startswith("\t") or "=" not in text:
            errors.append((number, f"expected a tab-indented KEY=value line or an empty line "
                                   f"in the {kind} block, got {text[:40]!r}"))
            continue
        key, value = text[1:].split("=", 1)
        if key not in allowed:
            errors.append((number, f"key {key!r} does not belong in a {kind} block"))
            continue
        if key in fields:
            errors.append((number, f"{key} given twice in one block"))
        fields[key] = value
        check_value(key, value, number, errors)


def check_entry(kind, fields, number, ids, errors):
    for key in ("ID", "NAME") + (("URL",) if kind == "#URL" else ()):
        if not fields.get(key):
            errors.append((number, f"{kind} block without {key}"))
    entry_id = fields.get("ID")
    if entry_id is not None and entry_id.lstrip("-").isdigit():
        if entry_id in ids:
            errors.append((number, f"ID {entry_id} used again (first at line {ids[entry_id]})"))
        else:
            ids[entry_id] = number


def check_folder_name(name, number, siblings, errors):
    if "\\" in name:
        errors.append((number, f"folder name {name!r} holds a backslash, the path separator"))
    if name in (".", ".."):
        errors.append((number, f"folder name {name!r} cannot be a path part"))
    if len(name.encode("utf-8")) > MAX_FOLDER_NAME_BYTES:
        errors.append((number, f"folder name longer than {MAX_FOLDER_NAME_BYTES} bytes"))
    if name in siblings:
        errors.append((number, f"folder {name!r} has a sibling of the same name (line "
                               f"{siblings[name]}): only the first can be opened"))
    else:
        siblings[name] = number


def expect_empty_after(lines, pos, what, errors):
    if pos < len(lines) and lines[pos][1] == "":
        return pos + 1
    number = lines[pos][0] if pos < len(lines) else lines[-1][0]
    errors.append((number, f"{what} must be followed by an empty line"))
    return pos


def check_bytes(data):
    """Returns (errors, stats); errors is a list of (line number, message)."""
    errors = []
    stats = Stats()
    lines, stats.line_ending = split_lines(data, errors)
    pos = 0
    while pos < len(lines) and not (lines[pos][1].startswith("#")
                                    and lines[pos][1] != "#SEPERATOR"):
        pos += 1
    if pos == len(lines):
        errors.append((len(lines), "no entries: no line after the header begins with \"#\""))
        return errors, stats
    ids = {}
    # One frame per open folder: (line, child folder names, entry count); the root first.
    open_folders = [(0, {}, [0])]
    trash_line = None
    while pos < len(lines) and len(errors) < MAX_ERRORS:
        number, text = lines[pos]
        pos += 1
        depth = len(open_folders) - 1
        if text in ("#FOLDER", "#URL"):
            fields, pos = read_block(lines, pos, text, errors)
            check_entry(text, fields, number, ids, errors)
            open_folders[-1][2][0] += 1
            name = fields.get("NAME", "")
            if depth == 0:
                stats.last_root_entry = ("folder" if text == "#FOLDER" else "bookmark", name)
            if text == "#URL":
                stats.bookmarks += 1
                stats.root_bookmarks += depth == 0
                continue
            check_folder_name(name, number, open_folders[-1][1], errors)
            if fields.get("TRASH FOLDER") == "YES":
                if trash_line is not None:
                    errors.append((number, f"a second trash folder (first at line {trash_line})"))
                trash_line = number
            stats.folders += 1
            open_folders.append((number, {}, [0]))
            stats.max_depth = max(stats.max_depth, len(open_folders) - 1)
        elif text == "#SEPERATOR":
            stats.separators += 1
            pos = expect_empty_after(lines, pos, "#SEPERATOR", errors)
        elif text == "-":
            if depth == 0:
                errors.append((number, "\"-\" with no folder open"))
            else:
                stats.empty_folders += open_folders.pop()[2][0] == 0
            pos = expect_empty_after(lines, pos, "\"-\"", errors)
        elif text == "":
            errors.append((number, "empty line between entries"))
        else:
            errors.append((number, f"expected \"#FOLDER\", \"#URL\", \"#SEPERATOR\" or \"-\", "
                                   f"got {text[:40]!r}"))
    for folder_line, _, _ in open_folders[1:]:
        errors.append((folder_line, "folder never closed by a \"-\" line"))
    return errors, stats


def check_expectations(stats, args):
    problems = []
    if args.bookmarks is not None and stats.bookmarks != args.bookmarks:
        problems.append(f"{stats.bookmarks} bookmarks, expected {args.bookmarks}")
    if args.folders is not None and stats.folders != args.folders:
        problems.append(f"{stats.folders} folders, expected {args.folders}")
    if args.min_depth is not None and stats.max_depth < args.min_depth:
        problems.append(f"folders nest {stats.max_depth} deep, expected at least {args.min_depth}")
    if args.max_depth is not None and stats.max_depth > args.max_depth:
        problems.append(f"folders nest {stats.max_depth} deep, expected at most {args.max_depth}")
    if args.no_root_bookmarks and stats.root_bookmarks:
        problems.append(f"{stats.root_bookmarks} bookmarks at the root, expected none")
    if args.last_folder is not None and stats.last_root_entry != ("folder", args.last_folder):
        problems.append(f"last top-level entry is {stats.last_root_entry}, "
                        f"expected the folder {args.last_folder!r}")
    if args.line_ending and stats.line_ending != args.line_ending:
        problems.append(f"lines end with {stats.line_ending}, expected {args.line_ending}")
    return problems


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Check that hotlist files are well formed (see the module text for the "
                    "rules), and optionally that they have the expected shape.")
    parser.add_argument("files", nargs="+", metavar="FILE")
    parser.add_argument("--bookmarks", type=int, help="expect exactly this many bookmarks")
    parser.add_argument("--folders", type=int, help="expect exactly this many folders")
    parser.add_argument("--min-depth", type=int, help="expect folders nested at least this deep")
    parser.add_argument("--max-depth", type=int, help="expect folders nested at most this deep")
    parser.add_argument("--no-root-bookmarks", action="store_true",
                        help="expect no bookmark at the root")
    parser.add_argument("--last-folder", metavar="NAME",
                        help="expect the last top-level entry to be the folder NAME")
    parser.add_argument("--line-ending", choices=("lf", "crlf"),
                        help="expect every line to end this way")
    args = parser.parse_args(argv)
    failed = False
    for path in args.files:
        try:
            with open(path, "rb") as file:
                data = file.read()
        except OSError as error:
            print(f"{path}: cannot read: {error.strerror}", file=sys.stderr)
            failed = True
            continue
        errors, stats = check_bytes(data)
        for number, message in errors:
            print(f"{path}:{number}: {message}", file=sys.stderr)
        problems = [] if errors else check_expectations(stats, args)
        for problem in problems:
            print(f"{path}: {problem}", file=sys.stderr)
        if errors or problems:
            failed = True
            continue
        print(f"{path}: ok: {stats.folders} folders ({stats.empty_folders} empty), "
              f"{stats.bookmarks} bookmarks ({stats.root_bookmarks} at the root), "
              f"{stats.separators} separators, nested {stats.max_depth} deep, "
              f"{stats.line_ending.upper() if stats.line_ending else 'no'} line endings")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
