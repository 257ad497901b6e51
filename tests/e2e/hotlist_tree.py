#!/usr/bin/env python3
"""The folder tree of a hotlist as a file manager should show it, read
without the library, so an end-to-end test can check the library's listing.

  hotlist_tree.py HOTLIST entries PATH   names in folder PATH ("/" is the root,
                                         "/A/B" a sub-folder), one per line
  hotlist_tree.py HOTLIST bookmarks PATH the names of PATH's bookmarks only
  hotlist_tree.py HOTLIST folders        every folder: its path, depth, and how
                                         many bookmarks and folders it holds
  hotlist_tree.py HOTLIST count PATH     the bookmarks and folders below PATH, all
                                         the way down, and the bookmarks' sizes
                                         (their IDs) added up, tab-separated

Knows well-formed hotlists: a header, then blocks of a marker line ("#FOLDER",
"#URL", "#SEPERATOR") and tab-indented field lines ended by an empty line, and
"-" lines that close folders. A name is shown as a host of the Unicode
interface gets it: decoded from UTF-8 (each broken sequence one U+FFFD), up
to its first zero, cut to the 259 UTF-16 units of the name field but never
between the halves of a surrogate pair; an entry's size is its ID as a 32-bit
pattern. Anything it cannot predict the host's rendering of (an empty name, a
"/" in a folder name) is an error, not a guess.
"""
import sys

NAME_LIMIT = 259  # UTF-16 units of cFileName before its zero
MASK32 = 0xFFFFFFFF  # the size field takes the ID's 32-bit pattern


class HotlistError(Exception):
    pass


def shown_name(raw, line_number):
    # Python replaces the longest start of a sequence that breaks off, as
    # Windows' own decoder does; Windows also takes a lead byte with a
    # continuation byte outside its range (an overlong form) as one part,
    # Python as two, and the hotlists given here hold none.
    name = raw.decode("utf-8", "replace").split("\0")[0]
    units = name.encode("utf-16-le")
    if len(units) > 2 * NAME_LIMIT:
        cut = units[:2 * NAME_LIMIT]
        if 0xD800 <= int.from_bytes(cut[-2:], "little") <= 0xDBFF:
            cut = cut[:-2]  # the pair's low half did not fit
        name = cut.decode("utf-16-le")
    if not name:
        raise HotlistError(f"line {line_number}: empty NAME")
    return name


def size_of(raw, line_number):
    try:
        value = int(raw or b"0")
    except ValueError:
        raise HotlistError(f"line {line_number}: ID is no number") from None
    if not -(2**31) <= value < 2**31:
        raise HotlistError(f"line {line_number}: ID is no 32-bit number")
    return value & MASK32


def read_tree(path):
    """{folder path: [(kind, name, size), ...]} in file order; the root is "/"."""
    with open(path, "rb") as f:
        lines = f.read().replace(b"\r\n", b"\n").split(b"\n")
    folders = {"/": []}
    stack = []  # names of the open folders
    i = 0
    # The header: everything before the first marker line.
    while i < len(lines) and not (lines[i].startswith(b"#") and lines[i] != b"#SEPERATOR"):
        i += 1
    while i < len(lines):
        line = lines[i]
        if line in (b"#FOLDER", b"#URL", b"#SEPERATOR"):
            start = i
            name = None
            ident = None
            i += 1
            while i < len(lines) and lines[i] != b"":
                field = lines[i][1:]
                if field.startswith(b"NAME="):
                    name = field[len(b"NAME="):]
                elif field.startswith(b"ID="):
                    ident = field[len(b"ID="):]
                i += 1
            if line == b"#SEPERATOR":
                continue
            kind = "folder" if line == b"#FOLDER" else "bookmark"
            shown = shown_name(name or b"", start + 1)
            here = "/" + "/".join(stack)
            folders[here].append((kind, shown, size_of(ident, start + 1)))
            if kind == "folder":
                if "/" in shown:
                    raise HotlistError(f"line {start + 1}: folder name with '/'")
                stack.append(shown)
                opened = "/" + "/".join(stack)
                if opened in folders:
                    # The host reaches only the first folder of a path; a
                    # later one of the same path is kept apart.
                    stack[-1] = f"{shown}\0{start}"
                    opened = "/" + "/".join(stack)
                folders[opened] = []
        elif line == b"-":
            if not stack:
                raise HotlistError(f"line {i + 1}: '-' outside any folder")
            stack.pop()
            i += 1
        else:
            i += 1
    return folders


def count(tree, folder):
    """(bookmarks, folders, size) below `folder`, as a host that lists each
    sub-folder by its path counts them: a folder whose path an earlier one
    has shows that one's entries."""
    bookmarks, folders, size = 0, 0, 0
    for kind, name, entry_size in tree[folder]:
        if kind == "bookmark":
            bookmarks, size = bookmarks + 1, size + entry_size
            continue
        below = count(tree, folder.rstrip("/") + "/" + name)
        bookmarks, folders, size = bookmarks + below[0], folders + 1 + below[1], size + below[2]
    return bookmarks, folders, size


def main(argv):
    if len(argv) < 3 or argv[2] not in ("entries", "bookmarks", "folders", "count"):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        tree = read_tree(argv[1])
    except (OSError, HotlistError) as e:
        print(f"hotlist_tree.py: {argv[1]}: {e}", file=sys.stderr)
        return 1
    if argv[2] != "folders":
        if len(argv) != 4:
            print(__doc__, file=sys.stderr)
            return 2
        folder = argv[3]
        if folder not in tree:
            print(f"hotlist_tree.py: no folder {folder}", file=sys.stderr)
            return 1
        if argv[2] == "count":
            print("\t".join(str(n) for n in count(tree, folder)))
        else:
            for kind, name, _ in tree[folder]:
                if argv[2] == "entries" or kind == "bookmark":
                    print(name)
    else:
        for folder, entries in tree.items():
            if "\0" in folder:
                continue
            depth = 0 if folder == "/" else folder.count("/")
            bookmarks = sum(1 for kind, _, _ in entries if kind == "bookmark")
            print(f"{folder}\t{depth}\t{bookmarks}\t{len(entries) - bookmarks}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
