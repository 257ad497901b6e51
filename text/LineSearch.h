// The searches over the text file's block buffer, the steps that every line
// read and every line passed over take. They are written for the fastest
// means of each processor (LineSearchSse2.cpp on x86; CMake picks the file)
// and once portably (LineSearchPortable.cpp), which processors without their
// own take through LineSearchPortableForwarders.cpp, as does a build with
// TANSY_PORTABLE_LINE_SEARCH. The portable ones are built everywhere, so that
// tests set the two side by side. None calls the C library's memchr, which is
// slow where a C runtime looks at one byte at a time.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

// The first `value` among the `n` bytes at `bytes`, or null when there is none.
const char* FindByte(const char* bytes, size_t n, char value);
// FindByte for an LF, the search of every line.
const char* FindLineFeed(const char* bytes, size_t n);

// Whether a line whose text (its bytes without CRs) begins with this byte may
// be one a pass has to look at: "#" and "-" begin its markers, and a byte of
// 0x80 or more may become any character in the code page. Any other byte is
// ASCII, which every ANSI code page keeps as it is.
constexpr bool BeginsMarkedText(unsigned char c)
{
    return c >= 0x80 || c == '#' || c == '-';
}

// The bytes that may begin such a line before its CRs are dropped, or end the
// input there: those of BeginsMarkedText, CR (the text begins further on) and
// 0x1A (Ctrl-Z, the end at the start of a line).
inline constexpr std::array<bool, 256> kMarkBytes = [] {
    std::array<bool, 256> marks{};
    for (int c = 0; c < 0x100; ++c)
        marks[c] = BeginsMarkedText(static_cast<unsigned char>(c)) || c == '\r' || c == 0x1A;
    return marks;
}();

inline bool MayBeginMarkedLine(char value)
{
    return kMarkBytes[static_cast<unsigned char>(value)];
}

// The "#" lines a search stops before: every one, or (for a pass that reacts
// only to some markers) those whose byte after the "#" is one of AfterHash,
// or LF, CR or a byte of 0x80 or more, which leave the text's second
// character open.
constexpr size_t kAfterHashBytes = 4;
struct TMarkStarts {
    bool EveryHashLine = true;
    std::array<char, kAfterHashBytes> AfterHash = {};  // unused places repeat a byte in use
};

// Whether the line whose first `n` bytes (one at least) are at `line` may be
// one a pass has to look at, or end the input: its first byte may begin a
// marked line (MayBeginMarkedLine), and a "#" is one `starts` stops at, or
// its next byte is not at hand.
inline bool MayBeginMarkedLine(const char* line, size_t n, const TMarkStarts& starts)
{
    if (!MayBeginMarkedLine(line[0])) return false;
    if (line[0] != '#' || starts.EveryHashLine || n < 2) return true;
    const auto second = static_cast<unsigned char>(line[1]);
    if (second >= 0x80 || second == '\n' || second == '\r') return true;
    return std::find(starts.AfterHash.begin(), starts.AfterHash.end(), line[1]) != starts.AfterHash.end();
}

// The first LF among the `n` bytes that another of them follows, where the
// line after it may be marked (MayBeginMarkedLine with `starts`, the bytes
// up to the n-th at hand). Null when there is none.
const char* FindLineBeforeMark(const char* bytes, size_t n, const TMarkStarts& starts = {});

// The portable searches, under the same contracts.
const char* FindBytePortable(const char* bytes, size_t n, char value);
const char* FindLineBeforeMarkPortable(const char* bytes, size_t n, const TMarkStarts& starts = {});
