// The searches over the text file's block buffer, the steps that every line
// read and every line passed over take. They are written for the fastest
// means of each processor (LineSearchSse2.cpp on x86; CMake picks the file)
// and once portably (LineSearchPortable.cpp), which processors without their
// own take through LineSearchPortableForwarders.cpp, as does a build with
// TANSY_PORTABLE_LINE_SEARCH. The portable ones are built everywhere, so that
// tests set the two side by side. None calls the C library's memchr, which is
// slow where a C runtime looks at one byte at a time.
#pragma once

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

// The first LF among the `n` bytes that another of them follows and that
// byte may begin a marked line (MayBeginMarkedLine). Null when there is none.
const char* FindLineBeforeMark(const char* bytes, size_t n);

// The portable searches, under the same contracts.
const char* FindBytePortable(const char* bytes, size_t n, char value);
const char* FindLineBeforeMarkPortable(const char* bytes, size_t n);
