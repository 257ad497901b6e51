// The portable line search.
#include <algorithm>
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

// The high bit of the first LF byte of `word` set, and of no byte before it.
uint64_t LineFeedBits(uint64_t word)
{
    const uint64_t x = word ^ (kOnes * '\n');
    return (x - kOnes) & ~x & kHighBits;
}

}  // namespace

// Most lines are short: their end is sought eight bytes at a time before
// memchr, whose call costs more than such a line.
const char* FindLineFeedPortable(const char* bytes, size_t n)
{
    constexpr size_t kShortLine = 64;
    const size_t words = std::min(n, kShortLine) / 8;
    for (size_t i = 0; i < words; ++i) {
        const uint64_t zero = LineFeedBits(LoadWord(bytes + 8 * i));
        if (zero != 0) {
            // The first byte in memory order is the lowest one on little-endian
            // machines; elsewhere let memchr find it within the word.
            if constexpr (std::endian::native == std::endian::little)
                return bytes + 8 * i + static_cast<size_t>(std::countr_zero(zero)) / 8;
            return static_cast<const char*>(std::memchr(bytes + 8 * i, '\n', 8));
        }
    }
    return static_cast<const char*>(std::memchr(bytes + 8 * words, '\n', n - 8 * words));
}

const char* FindLineBeforeMarkPortable(const char* bytes, size_t n)
{
    for (const char* lf = FindLineFeedPortable(bytes, n); lf != nullptr;
         lf = FindLineFeedPortable(lf + 1, static_cast<size_t>(bytes + n - lf - 1))) {
        if (lf + 1 == bytes + n) return nullptr;
        if (MayBeginMarkedLine(lf[1])) return lf;
    }
    return nullptr;
}
