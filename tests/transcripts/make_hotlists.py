#!/usr/bin/env python3
"""Writes the small hotlists of the listing and properties transcripts.

    make_hotlists.py [--check]

Their bytes matter (CR LF, a lone CR, 0x1A, a byte-order mark, invalid UTF-8,
names of exactly 259, 260 and 300 bytes), so they are made here rather than
typed. --check fails when a checked-in file differs from what this script
would write.
"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
HOTLISTS = os.path.join(HERE, "hotlists")

HEADER = [b"Hotlist version 2.0", b"Options: encoding = utf8, version=3", b""]


def u(text):
    return text.encode("utf-8")


def block(marker, *fields):
    """A marker line, its tab-indented field lines and the closing empty line."""
    lines = [marker]
    for key, value in fields:
        lines.append(b"\t" + u(key) + b"=" + (value if isinstance(value, bytes) else u(str(value))))
    lines.append(b"")
    return lines


def folder(name, ident, *more):
    return block(b"#FOLDER", ("ID", ident), ("NAME", name), *more)


def url(name, ident, *more):
    return block(b"#URL", ("ID", ident), ("NAME", name), *more)


def end():
    return [b"-", b""]


def joined(lines, eol=b"\n"):
    return b"".join(line + eol for line in lines)


def tree():
    """Nested folders, an empty one, separators, two folders of one name."""
    lines = list(HEADER)
    lines += url("Start", 1, ("URL", "http://start.example/"), ("CREATED", 1000), ("VISITED", 1001))
    lines += folder("News", 2, ("CREATED", 2000), ("VISITED", 2001))
    lines += url("Daily", 3, ("URL", "http://daily.example/"), ("CREATED", 3000))
    lines += [b"#SEPERATOR", b""]
    lines += folder("World", 4, ("CREATED", 4000))
    lines += folder("Europe", 5)
    lines += url("Berlin", 6, ("URL", "http://berlin.example/"))
    lines += end()
    lines += url("Asia Times", 7, ("URL", "http://asia.example/"))
    lines += end()
    lines += folder("Empty", 8)
    lines += end()
    lines += [b"", b""]
    lines += url("Weekly", 9)
    lines += end()
    lines += block(b"#SEPERATOR", ("ID", 10))
    lines += [b"#SEPERATOR", b""]
    lines += folder("News", 11)
    lines += url("Hidden", 12)
    lines += end()
    lines += url("Last", 13, ("CREATED", 13000))
    return joined(lines)


def strays():
    """Stray "-" lines, unknown "#" lines, the line after a folder's "-"."""
    lines = [b"Hotlist version 2.0", b"#HEADER-COMMENT", b""]
    lines += folder("A", 1)
    lines += url("a1", 2)
    lines += [b"-", b""]  # closes A: A's own "-" below is then a stray one
    lines += url("a2", 3)
    lines += [b"-", b""]  # a stray "-" at the top level: ends the root listing
    lines += url("r1", 4)
    lines += folder("B", 5)
    lines += [b"#COMMENT first line of B", b""]
    lines += url("b1", 6)
    lines += [b"#NOTE between b1 and b2", b""]
    lines += url("b2", 7)
    # a "#URL" right below a field line is read as one more field line
    lines += [b"#URL", b"\tID=8", b"\tNAME=glued", b"#URL", b"\tID=9", b"\tNAME=swallowed", b"\tCREATED=9000", b""]
    lines += [b"-"]  # B's end, and directly after it an entry line
    lines += url("dropped", 10)
    lines += url("r2", 11)
    lines += folder("C", 12)
    lines += [b"#COMMENT only line of C", b""]
    lines += end()
    lines += folder("D", 13)
    lines += [b"#SEPERATOR", b"\tID=14", b"", b""]
    lines += end()
    lines += url("r3", 15)
    return joined(lines)


def unclosed():
    """A folder that no "-" closes, and a marker on the file's last line."""
    lines = list(HEADER)
    lines += url("r1", 1)
    lines += folder("C", 2)
    lines += url("c1", 3)
    lines += folder("D", 4)
    lines += url("d1", 5)
    lines += [b"#URL"]
    return joined(lines)


def backslash():
    """A folder name holding "\\": its "-" takes the walk up one level too few."""
    lines = list(HEADER)
    lines += folder("a\\b", 1)
    lines += url("inside", 2)
    lines += end()
    lines += url("lost", 3)
    lines += end()
    lines += url("after", 4)
    return joined(lines)


def crlf():
    """CR LF line ends, a lone CR inside a line, a last line without a break."""
    lines = [b"Hotlist version 2.0", b"", b"#SEPERATOR", b""]
    lines += folder("Win", 1, ("CREATED", 100))
    lines += url("Mid\rdle", 2, ("URL", "http://crlf.example/a\r=b"), ("CREATED", 200))
    lines += end()
    lines += url("Tail", 3, ("CREATED", 300))
    lines += [b"#URL", b"\tID=4", b"\tNAME=NoBreak"]
    return joined(lines, b"\r\n")[: -len(b"\r\n")]


def bom():
    """A byte-order mark before the first marker: that line is header."""
    lines = [b"\xef\xbb\xbf#URL", b"\tID=1", b"\tNAME=hidden by the mark", b""]
    lines += url("first", 2)
    lines += folder("F", 3)
    lines += url("f1", 4)
    lines += end()
    return joined(lines)


def eof():
    """0x1A inside a name, and at the start of a line, where the input ends."""
    lines = list(HEADER)
    lines += url("ab\x1acd", 1)
    lines += folder("F", 2)
    lines += url("f1", 3)
    lines += [b"\x1a"]
    lines += url("f2", 4)
    lines += end()
    lines += folder("G", 5)
    lines += url("g1", 6)
    lines += end()
    return joined(lines)


def badnumber():
    """Numbers that cannot be read, in bookmark blocks and in a folder block."""
    lines = list(HEADER)
    lines += url("ok1", 1, ("CREATED", 100))
    lines += folder("Good", 2)
    lines += url("g1", 3)
    lines += folder("Inner", 4)
    lines += url("i1", 5, ("CREATED", ""))
    lines += url("i2", 6)
    lines += end()
    lines += url("g2", 7, ("PANEL_POS", "x"))  # bookmarks keep PANEL_POS: a failure
    lines += url("g3", 8)
    lines += end()
    lines += folder("Passed", 9, ("PANEL_POS", "x"))  # folders have none: no failure
    lines += url("p1", 10, ("CREATED", -1))
    lines += url("p2", 11, ("VISITED", 3000000000))  # above the 32-bit signed range
    lines += end()
    lines += folder("Bad", 12, ("CREATED", "12abc"))
    lines += url("b1", 13)
    lines += end()
    lines += folder("After", 14)
    lines += url("a1", 15)
    lines += end()
    return joined(lines)


def names():
    """Names of 259, 260 and 300 bytes, Cyrillic and invalid UTF-8 names."""
    lines = list(HEADER)
    lines += url("n" * 258 + "9", 1)
    lines += url("m" * 259 + "0", 2)
    lines += url("L" * 260 + "x" * 40, 3)
    lines += url("Новости дня", 4, ("CREATED", 4))
    lines += block(b"#URL", ("ID", 5), ("NAME", b"bad \xff\xfe name"))
    lines += block(b"#URL", ("ID", 6), ("NAME", b"cut \xd0"))
    lines += url("Ж" * 300, 7)
    lines += block(b"#FOLDER", ("ID", 8), ("NAME", b"\xc3\x28 folder"), ("VISITED", 88))
    lines += url("in the nameless folder", 9)
    lines += end()
    lines += folder("F" * 300, 10)
    lines += url("long folder's bookmark", 11)
    lines += end()
    lines += folder("Папка", 12, ("CREATED", 12))
    lines += url("Закладка", 13)
    lines += url("b" * 300, 14)
    lines += end()
    lines += url("last", 15)
    return joined(lines)


def properties():
    """Bookmarks whose boxes the properties transcripts pin byte for byte."""
    lines = list(HEADER)
    lines += url("Рецепты борща", 42,
                 ("URL", "https://food.example/борщ?x=1&y=2"),
                 ("ICONFILE", "C:\\Icons\\food.ico"),
                 ("SHORT NAME", "борщ"),
                 ("DESCRIPTION", "Суп = свёкла"),
                 ("ON PERSONALBAR", "YES"),
                 ("PERSONALBAR_POS", 3),
                 ("ACTIVE", "YES"),
                 ("IN PANEL", "NO"),
                 ("PANEL_POS", 7),
                 ("CREATED", 1234567890),
                 ("VISITED", 1234567999))
    lines += url("sparse", -5, ("IN PANEL", "YES"), ("CREATED", -1294967296))
    lines += url("abc", 2, ("URL", "http://abc.example/"))
    lines += url("abcdef", 3, ("URL", "http://abcdef.example/"))
    lines += url("twin", 4, ("URL", "http://first-twin.example/"))
    lines += url("twin", 5, ("URL", "http://second-twin.example/"))
    lines += url("R" * 260 + "oot tail", 6)
    lines += folder("News", 7)
    lines += url("abcdef", 8, ("URL", "http://news-abcdef.example/"))
    lines += url("abc", 9, ("URL", "http://news-abc.example/"))
    lines += url("N" * 300, 10, ("URL", "http://news-long.example/"))
    lines += folder("Sub", 11)
    lines += url("deep", 12)
    lines += end()
    lines += url("Новости", 13, ("URL", "http://news-ru.example/"), ("SHORT NAME", "нв"))
    lines += end()
    lines += url("after", 14)
    # Field lines at the edges of the format: keys taken by prefix, the later
    # line winning, flags other than exactly "YES", a short name cut inside a
    # character, a description that is not UTF-8, an icon path in Cyrillic.
    lines += [b"#URL", b"\tIDENTITY=77", b"\tNAME=edge", b"\tNAMEX=edge fields", b"\tname=lower",
              b"\tURL=http://q.example/?a=1&b=2=3", b"\tICONFILE=" + u("C:\\Иконки\\x.ico"),
              b"\tSHORT NAME=" + u("a" * 254 + "Ж"), b"\tDESCRIPTION=bad \xff",
              b"\tACTIVE=yes", b"\tON PERSONALBAR=YES ", b"\tIN PANEL=Yes", b"\tPANEL_POS=-3", b""]
    lines += url("long alias", 16, ("SHORT NAME", "s" * 300), ("ACTIVE", "YES"), ("VISITED", -1))
    return joined(lines)


def zeros():
    """A zero byte inside each text field: the box must still show all eleven lines."""
    lines = list(HEADER)
    lines += block(b"#FOLDER", ("ID", 1), ("NAME", "Folder"), ("DESCRIPTION", b"folder\x00note"))
    lines += url("zeros", 2,
                 ("URL", b"http://zero.example/a\x00b"),
                 ("ICONFILE", b"C:\\Icons\\z\x00.ico"),
                 ("SHORT NAME", b"al\x00ias"),
                 ("DESCRIPTION", b"before\x00after"),
                 ("ON PERSONALBAR", "YES"),
                 ("PERSONALBAR_POS", 4),
                 ("ACTIVE", "YES"),
                 ("IN PANEL", "YES"),
                 ("PANEL_POS", 5),
                 ("CREATED", 1700000000),
                 ("VISITED", 1700000500))
    lines += end()
    return joined(lines)


def best_fit():
    """Names with characters the code page lacks; Windows writes some as a similar letter."""
    lines = list(HEADER)
    for ident, name in enumerate(["café", "über", "Ā", "łódź", "Š", "→", "Ω", "½", "Ж", "plain"], start=1):
        lines += url(name, ident)
    lines += url("crème", 11, ("URL", "http://crème.example/"), ("DESCRIPTION", "brûlée"))
    return joined(lines)


def number_forms():
    """One folder per number form, each holding a bookmark whose CREATED has that form."""
    forms = [("plain", " 12 "), ("blank-group", "1 234"), ("blank-groups", "12 345 678"),
             ("comma-half", "12,5"), ("comma-half-up", "13,5"), ("point-half", "12.5"),
             ("point-half-up", "13.5"), ("comma-group", "1,234"), ("point-group", "1.234"),
             ("parentheses", "(5)"), ("minus-after", "5-"), ("ampersand-hex", "&H10"),
             ("exponent", "1e3"), ("blank-after-sign", "+ 5"), ("c-hex", "0x10")]
    lines = list(HEADER)
    for ident, (name, value) in enumerate(forms, start=1):
        lines += folder(name, 100 + ident)
        lines += url(value, ident, ("CREATED", value))
        lines += end()
    return joined(lines)


def reclaim():
    """A folder whose name is a mebibyte long, inside the first folder of the
    root: a listing of the root that has read through it to the next entry
    keeps that name, so a few such listings left open pass the memory the
    library keeps for listings."""
    lines = list(HEADER)
    lines += folder("A", 1)
    lines += folder("B" * (1 << 20), 2)
    lines += url("inside", 3)
    lines += end()
    lines += end()
    lines += url("after", 4)
    lines += folder("Small", 5)
    lines += url("s1", 6)
    lines += end()
    lines += url("last", 7)
    return joined(lines)


def unicode():
    """Names as browsers save page titles: emoji, CJK, accented letters, a
    Cyrillic address, a broken byte, a folder named with emoji holding more,
    and in "Long" names past the 259 units of a find-data record."""
    lines = list(HEADER)
    lines += url("Party 😀", 1, ("URL", "https://party.example/"), ("CREATED", 1700000001))
    lines += url("日本語", 2, ("URL", "https://nihongo.example/"), ("CREATED", 1700000002))
    lines += url("中国話", 3, ("URL", "https://zhongguo.example/"), ("CREATED", 1700000003))
    lines += url("Café crème", 4, ("URL", "https://пример.рф/путь"), ("ICONFILE", "C:\\Иконки\\café.ico"),
                 ("SHORT NAME", "кафе ☕"), ("DESCRIPTION", "Crème brûlée — Καλημέρα 🥐"), ("VISITED", 1700000444))
    lines += block(b"#URL", ("ID", 5), ("NAME", b"bad \xff byte"), ("URL", "https://bad.example/"),
                   ("DESCRIPTION", b"cut \xe6\x97 short"))
    lines += folder("🎉 Party 😀", 6, ("CREATED", 1700000006))
    lines += url("🍰 Cake", 7, ("URL", "https://cake.example/🍰"))
    lines += folder("子", 8)
    lines += url("深い 𝄞", 9)
    lines += end()
    lines += url("😀", 10)
    lines += end()
    lines += folder("Long", 11)
    lines += url("漢" * 300, 12, ("URL", "https://long.example/300"))
    lines += url("字" * 258 + "😀 tail", 13, ("URL", "https://long.example/pair"))
    lines += end()
    lines += url("after", 14)
    return joined(lines)


HOTLISTS_MADE = {
    "tree.hotlist": tree,
    "strays.hotlist": strays,
    "unclosed.hotlist": unclosed,
    "backslash.hotlist": backslash,
    "crlf.hotlist": crlf,
    "bom.hotlist": bom,
    "eof.hotlist": eof,
    "badnumber.hotlist": badnumber,
    "names.hotlist": names,
    "properties.hotlist": properties,
    "empty.hotlist": lambda: b"",
    "lastline.hotlist": lambda: b"Hotlist version 2.0\n\n#URL\n",
    "best_fit.hotlist": best_fit,
    "zeros.hotlist": zeros,
    "number_forms.hotlist": number_forms,
    "reclaim.hotlist": reclaim,
    "unicode.hotlist": unicode,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--check", action="store_true", help="compare instead of writing")
    args = parser.parse_args()
    stale = []
    for name, make in HOTLISTS_MADE.items():
        path = os.path.join(HOTLISTS, name)
        data = make()
        if args.check:
            try:
                with open(path, "rb") as stream:
                    if stream.read() == data:
                        continue
            except OSError:
                pass
            stale.append(name)
        else:
            with open(path, "wb") as stream:
                stream.write(data)
    if stale:
        print("differs from make_hotlists.py: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
