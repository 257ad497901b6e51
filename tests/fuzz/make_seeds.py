#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the transcript tests'
hotlists and the bundled sample. Run from the repository root; the output is
checked in under tests/fuzz/corpus/ (rerun after the hotlists change)."""
import pathlib

ROOT = pathlib.Path(__file__).resolve().parents[2]
HOTLISTS = sorted((ROOT / "tests/transcripts/hotlists").glob("*.hotlist")) + [ROOT / "data/sample.hotlist"]
EXPORTS = ROOT / "tests/fuzz/corpus/exports"
TEXT = ROOT / "tests/fuzz/corpus/text"
# Seeds stay small, so the fuzzer mutates them quickly; a longer hotlist
# contributes its first part.
MAX_HOTLIST = 16000

# Request bytes (see fuzz_exports.cpp): code page, path style and abandoned
# listings, most folders listed, most properties asked, and in the high bits
# of the last two the schedule of overlapping listings.
REQUESTS = {
    "1251": bytes([0, 0, 31, 7]),
    "1252-slashes": bytes([1, 1, 31, 7]),
    "utf8-open": bytes([2, 2 | (3 << 2), 31, 7]),
    "1251-overlap": bytes([0, 0, 31 | (5 << 5), 7 | (22 << 3)]),
    "utf8-slashes-overlap": bytes([2, 1 | 2 | (2 << 2), 31 | (3 << 5), 3 | (9 << 3)]),
}

TEXT_SEEDS = {
    "cyrillic-utf8": "\u0418\u041c\u042f \u0421\u0435\u0433\u043e\u0434\u043d\u044f".encode("utf-8"),
    "cyrillic-1251": "\u0418\u041c\u042f".encode("cp1251") + b"\x98",
    "emoji": "a\U0001F600b".encode("utf-8"),
    "lone-lead": b"abc\xd0",
    "bad-trail": b"\xd0A",
    "overlong": b"\xc0\x80\xe0\x80\x80",
    "path": b"\\News\\Today:2\\",
    "path-double": b"\\\\",
    "number": b"  -42  ",
    "number-plus": b"+2147483647",
    "number-over": b"2147483648",
    "number-min": b"-2147483648",
    "number-time": b"12:34:56",
    "number-tenth": b"123456789x",
    "field-lines": b"\tDESCRIPTOR=oops\n\tID=12345678\n PERSONALBAR_POX=1\n\tIN PANEX=YES",
    "flag": b"YES",
    "zero-inside": b"YES\x00NO",
    "cp1252": bytes(range(0x80, 0xA0)),
}


def main():
    EXPORTS.mkdir(parents=True, exist_ok=True)
    TEXT.mkdir(parents=True, exist_ok=True)
    for old in list(EXPORTS.iterdir()) + list(TEXT.iterdir()):
        old.unlink()
    for hotlist in HOTLISTS:
        # The header's text is never read; every seed gets the same one.
        data = hotlist.read_bytes()
        if b"Hotlist version" in data.split(b"\n", 1)[0]:
            data = b"Hotlist version 2.0" + data[data.index(b"\n"):]
        data = data[:MAX_HOTLIST]
        for name, request in REQUESTS.items():
            (EXPORTS / f"{hotlist.stem}-{name}").write_bytes(request + data)
    for name, data in TEXT_SEEDS.items():
        (TEXT / name).write_bytes(data)


if __name__ == "__main__":
    main()
