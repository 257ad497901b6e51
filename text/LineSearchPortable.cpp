// The portable searches: eight bytes at a time in plain words.
#include <bit>
#include <cstdint>
#include <cstring>

#include "LineSearch.h"

namespace {

constexpr uint64_t kOnes = 0x0101010101010101u;
constexpr uint64_t kHighBits = 0x8080808080808080u;

uint64_t LoadWord(const char* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The high bit of every byte of `word` that is `value`, and of no other.
uint64_t EqualBytes(uint64_t word, char value)
{
    constexpr uint64_t kLowBits = ~kHighBits;
    const uint64_t x = word ^ (kOnes * static_cast<unsigned char>(value));
    // A byte's high bit ends up set when any bit of it is: no carry crosses bytes.
    return ~(((x & kLowBits) + kLowBits) | x) & kHighBits;
}

// The high bit of every byte of `word` that may begin a marked line
// (MayBeginMarkedLine), and of no other.
uint64_t MarkBytes(uint64_t word)
{
    return EqualBytes(word, '#') | EqualBytes(word, '-') | EqualBytes(word, '\r') | EqualBytes(word, '\x1A') |
           (word & kHighBits);
}

// The high bit of every byte of `word` that may begin a marked line where a
// line begins, given the word of the bytes one further on (MayBeginMarkedLine
// with `starts`), and of no other.
uint64_t StartBytes(uint64_t word, uint64_t next, const TMarkStarts& starts)
{
    const uint64_t marks = MarkBytes(word);
    if (starts.EveryHashLine) return marks;
    uint64_t stops = EqualBytes(next, '\n') | EqualBytes(next, '\r') | (next & kHighBits);
    for (const char value : starts.AfterHash) stops |= EqualBytes(next, value);
    return marks & ~(EqualBytes(word, '#') & ~stops);
}

// The place in its word of the first byte whose high bit `bits` holds.
size_t FirstByteOf(uint64_t bits)
{
    const int zeros = std::endian::native == std::endian::little ? std::countr_zero(bits) : std::countl_zero(bits);
    return static_cast<size_t>(zeros) / 8;
}

}  // namespace

const char* FindBytePortable(const char* bytes, size_t n, char value)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        if (const uint64_t found = EqualBytes(LoadWord(bytes + i), value))
            return bytes + i + FirstByteOf(found);
    for (; i < n; ++i)
        if (bytes[i] == value) return bytes + i;
    return nullptr;
}

const char* FindLineBeforeMarkPortable(const char* bytes, size_t n, const TMarkStarts& starts)
{
    // Each LF's bit, and the bit of the line start one byte further on, a
    // word at a time; the starts look at the byte after them too.
    size_t i = 0;
    for (; i + 10 <= n; i += 8) {
        const uint64_t starting = StartBytes(LoadWord(bytes + i + 1), LoadWord(bytes + i + 2), starts);
        if (const uint64_t hits = EqualBytes(LoadWord(bytes + i), '\n') & starting)
            return bytes + i + FirstByteOf(hits);
    }
    for (; i + 1 < n; ++i)
        if (bytes[i] == '\n' && MayBeginMarkedLine(bytes + i + 1, n - i - 1, starts)) return bytes + i;
    return nullptr;
}
