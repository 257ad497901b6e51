#!/usr/bin/env python3
"""Checks a whole hotlist through the library: every folder lists exactly its
own entries in file order, "properties" on every bookmark shows exactly that
bookmark's box (and the boxes of any other bookmark the host shows under the
same path), and a depth-first walk of the whole tree, as a file manager's
search or size count makes it (each sub-folder listed inside its parent's
listing, right after the call that returned it), sees every entry.

    check_tree.py --tansy PATH [--codepage N] [--wrapper CMD]... HOTLIST...

The expected answers come from a parser of its own, written from the file
format alone and much simpler than the library's walk: it reads well-formed
files only (blocks closed by an empty line, folders closed by "-", numbers in
range) and refuses anything else. All calls for one hotlist run in a single
`tansy script` process, and its transcript is compared with the expected one
line by line. --wrapper runs tansy through another program (such as wine,
whose system locale then sets the code page); CR LF in its output becomes LF.
"""

import argparse
import os
import re
import subprocess
import sys

NAME_LIMIT = 260
SHORT_LIMIT = 255
MASK32 = 0xFFFFFFFF
NUMBER = re.compile(rb"-?[0-9]+")
NUMERIC_KEYS = {b"ID", b"PERSONALBAR_POS", b"PANEL_POS", b"CREATED", b"VISITED"}
CAPTION = "Параметры закладки"
PYTHON_CODEC = {"1251": "cp1251", "1252": "cp1252", "65001": "utf-8"}
TIMEOUT_SECONDS = 300


class NotWellFormed(Exception):
    pass


class Entry:
    def __init__(self, kind, fields, line):
        self.kind = kind  # "folder" or "bookmark"
        self.fields = fields
        self.line = line
        self.children = []

    def number(self, key):
        return int(self.fields.get(key, b"0"))

    def text(self, key):
        return self.fields.get(key, b"")


def split_lines(data):
    """Lines as the format defines them: LF or CR LF ends a line, a lone CR
    is dropped, and the last line needs no break."""
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return [line.replace(b"\r", b"") for line in lines]


def read_block(lines, at, kind):
    """The field lines below the marker at `at`, up to the empty line."""
    fields = {}
    i = at + 1
    while i < len(lines) and lines[i] != b"":
        line = lines[i]
        if line[:1] != b"\t" or b"=" not in line:
            raise NotWellFormed(f"line {i + 1}: not a field line: {line!r}")
        key, _, value = line[1:].partition(b"=")
        if key in NUMERIC_KEYS:
            if not NUMBER.fullmatch(value) or not -(2**31) <= int(value) < 2**31:
                raise NotWellFormed(f"line {i + 1}: {key.decode()} is no 32-bit number: {value!r}")
        fields[key] = value
        i += 1
    if i >= len(lines):
        raise NotWellFormed(f"line {at + 1}: the {kind} block is not closed by an empty line")
    return fields, i + 1


def parse(data):
    """The root folder of a well-formed hotlist, its tree below it."""
    lines = split_lines(data)
    i = 0
    while i < len(lines) and not (lines[i][:1] == b"#" and lines[i] != b"#SEPERATOR"):
        i += 1
    root = Entry("folder", {}, 0)
    stack = [root]
    while i < len(lines):
        line = lines[i]
        if line == b"#FOLDER":
            fields, i_next = read_block(lines, i, "folder")
            folder = Entry("folder", fields, i + 1)
            stack[-1].children.append(folder)
            stack.append(folder)
            i = i_next
        elif line == b"#URL":
            fields, i_next = read_block(lines, i, "bookmark")
            stack[-1].children.append(Entry("bookmark", fields, i + 1))
            i = i_next
        elif line == b"#SEPERATOR":
            _, i = read_block(lines, i, "separator")
        elif line == b"-":
            if len(stack) == 1:
                raise NotWellFormed(f"line {i + 1}: a \"-\" that closes no folder")
            stack.pop()
            i += 1
        elif line == b"":
            i += 1
        else:
            raise NotWellFormed(f"line {i + 1}: unexpected line {line!r}")
    if len(stack) != 1:
        raise NotWellFormed(f"the folder of line {stack[-1].line} is never closed")
    return root


class Model:
    """What the host must see, in the library's code page."""

    def __init__(self, codepage):
        self.codec = PYTHON_CODEC[codepage]

    def ansi(self, text):
        return text.encode(self.codec, "replace")

    def decoded(self, utf8):
        """A UTF-8 value decoded into the code page; invalid UTF-8 is empty."""
        try:
            return self.ansi(utf8.decode("utf-8"))
        except UnicodeDecodeError:
            return b""

    def shown_name(self, entry):
        return self.decoded(entry.text(b"NAME"))

    def entry_line(self, entry):
        attr = 16 if entry.kind == "folder" else 0
        return (f"entry attr={attr} size=0:{entry.number(b'ID') & MASK32} "
                f"created=0:{entry.number(b'CREATED') & MASK32} "
                f"accessed=0:{entry.number(b'VISITED') & MASK32} written=0:0 reserved=0:0 "
                f"name={esc(self.shown_name(entry)[:NAME_LIMIT])} tail=clean")

    def properties_text(self, entry):
        flag = lambda key: b"True" if entry.text(key) == b"YES" else b"False"
        number = lambda key: str(entry.number(key)).encode()
        unsigned = lambda key: str(entry.number(key) & MASK32).encode()
        bar = self.ansi("НА ПЕРСОНАЛЬНОЙ ПАНЕЛИ: ")
        position = self.ansi(", ПОЗИЦИЯ: ")
        lines = [
            b"ID: " + number(b"ID"),
            self.ansi("ИМЯ: ") + self.shown_name(entry),
            b"URL: " + entry.text(b"URL"),
            self.ansi("ИКОНКА: ") + entry.text(b"ICONFILE"),
            self.ansi("АЛИАС: ") + self.decoded(entry.text(b"SHORT NAME")[:SHORT_LIMIT]),
            self.ansi("ОПИСАНИЕ:") + self.decoded(entry.text(b"DESCRIPTION")),
            bar + flag(b"ON PERSONALBAR") + position + number(b"PERSONALBAR_POS"),
            self.ansi("АКТИВНА: ") + flag(b"ACTIVE"),
            bar + flag(b"IN PANEL") + position + number(b"PANEL_POS"),
            self.ansi("СОЗДАНА: ") + unsigned(b"CREATED"),
            self.ansi("ПОСЕЩЕНА: ") + unsigned(b"VISITED"),
        ]
        return b"\n".join(lines)

    def box_line(self, entry):
        return (f"box owner=main style=0 caption={esc(self.ansi(CAPTION))} "
                f"text={esc(self.properties_text(entry))}")


def esc(data):
    return "".join(chr(b) if 0x20 <= b <= 0x7E and b != 0x25 else f"%{b:02X}" for b in data)


def join_path(folder_path, name):
    return (folder_path if folder_path.endswith(b"\\") else folder_path + b"\\") + name


def walk(model, root):
    """Folders by path (the first of each path wins, as in the listing) and
    every bookmark with the path of its folder, both in file order."""
    folders = {}
    bookmarks = []

    def visit(folder, path):
        folders.setdefault(path, folder)
        for child in folder.children:
            name = model.shown_name(child)
            if not name or b"\\" in name:
                raise NotWellFormed(f"line {child.line}: a name the paths cannot hold: {name!r}")
            if child.kind == "folder":
                visit(child, join_path(path, name))
            else:
                bookmarks.append((path, child))

    visit(root, b"\\")
    return folders, bookmarks


def expected_calls(model, root):
    """(scenario line, expected transcript lines) for every call."""
    folders, bookmarks = walk(model, root)
    calls = []
    for path, folder in folders.items():
        out = [f"> first {esc(path)}"]
        if not folder.children:
            out.append("= -1 error=18")
        for n, child in enumerate(folder.children):
            if n:
                out.append("> next")
            out.append(model.entry_line(child))
            out.append("= 0" if n == 0 else "= -1")
        if folder.children:
            out += ["> next", "= 0", "> close", "= 0"]
        calls.append((f"list {esc(path)}", out))
    for folder_path, bookmark in bookmarks:
        shown = model.shown_name(bookmark)[:NAME_LIMIT]
        out = [f"> exec properties {esc(join_path(folder_path, shown))}"]
        for other_path, other in bookmarks:
            name = model.shown_name(other)
            if other_path == folder_path and (name == shown or (len(name) > NAME_LIMIT and name[:NAME_LIMIT] == shown)):
                out.append(model.box_line(other))
        out.append("= 0")
        calls.append((f"exec properties {esc(join_path(folder_path, shown))}", out))
    return calls, len(folders), len(bookmarks)


def depth_first_calls(model, folders):
    """The calls of a depth-first walk from the root with what each must
    answer, and how many bookmarks and folders the walk sees. Each listing
    takes the lowest free handle, so its handle is its depth."""
    calls = []
    seen = {"bookmark": 0, "folder": 0}

    def visit(path, handle):
        children = folders[path].children
        first = [f"> first {esc(path)}"]
        calls.append((f"first {esc(path)}", first))
        if not children:
            first.append("= -1 error=18")
            return
        out = first
        for n, child in enumerate(children):
            if n:
                out = [f"> next {handle}"]
                calls.append((f"next {handle}", out))
            out += [model.entry_line(child), f"= {handle}" if n == 0 else "= -1"]
            seen[child.kind] += 1
            if child.kind == "folder":
                visit(join_path(path, model.shown_name(child)), handle + 1)
        calls.append((f"next {handle}", [f"> next {handle}", "= 0"]))
        calls.append((f"close {handle}", [f"> close {handle}", "= 0"]))

    visit(b"\\", 0)
    return calls, seen["bookmark"], seen["folder"]


def check(tansy, hotlist, codepage, wrapper=()):
    with open(hotlist, "rb") as stream:
        data = stream.read()
    model = Model(codepage)
    try:
        root = parse(data)
        calls, folder_count, bookmark_count = expected_calls(model, root)
        walk_calls, walk_bookmarks, walk_folders = depth_first_calls(model, walk(model, root)[0])
    except NotWellFormed as failure:
        print(f"FAIL: {hotlist}: {failure}")
        return False
    calls += walk_calls
    if folder_count < 2 or bookmark_count < 1:
        print(f"FAIL: {hotlist}: too few folders or bookmarks to check anything")
        return False
    scenario = "".join(line + "\n" for line, _ in calls).encode("ascii")
    command = list(wrapper) + [tansy, "--codepage", codepage, "--hotlist", os.path.abspath(hotlist), "script", "-"]
    run = subprocess.run(command, input=scenario, capture_output=True, timeout=TIMEOUT_SECONDS)
    if wrapper:
        run.stdout = run.stdout.replace(b"\r\n", b"\n")
    if run.returncode != 0:
        print(f"FAIL: {hotlist}: tansy ended with status {run.returncode}")
        sys.stdout.write(run.stderr.decode("utf-8", "backslashreplace"))
        return False
    actual = run.stdout.decode("ascii", "backslashreplace").split("\n")
    expected = [line for _, out in calls for line in out] + [""]
    if actual == expected:
        print(f"{hotlist} (code page {codepage}): {folder_count} folders and {bookmark_count} bookmarks as expected; "
              f"the depth-first walk saw {walk_bookmarks} bookmarks and {walk_folders} folders")
        return True
    at = next(i for i, (a, e) in enumerate(zip(actual + [None] * len(expected), expected)) if a != e)
    call = next(line for line in reversed(expected[: at + 1]) if line.startswith(("> first", "> exec", "> next")))
    print(f"FAIL: {hotlist} (code page {codepage}): the transcript differs at line {at + 1}, in the call {call}")
    print(f"  expected: {expected[at]}")
    print(f"  actual:   {actual[at] if at < len(actual) else '(end of transcript)'}")
    return False


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tansy", required=True, help="the tansy executable")
    parser.add_argument("--codepage", default="1251", choices=sorted(PYTHON_CODEC), help="the library's code page")
    parser.add_argument("--wrapper", action="append", default=[],
                        help="a program (and its arguments, one per --wrapper) to run tansy with")
    parser.add_argument("hotlists", nargs="+", metavar="HOTLIST")
    args = parser.parse_args()
    results = [check(args.tansy, hotlist, args.codepage, args.wrapper) for hotlist in args.hotlists]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
