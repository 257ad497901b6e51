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

// The high bit of the first byte of `word` that is `value`, and of no byte
// before it, set.
uint64_t FoundBits(uint64_t word, char value)
{
    const uint64_t x = word ^ (kOnes * static_cast<unsigned char>(value));
    return (x - kOnes) & ~x & kHighBits;
}

}  // namespace

const char* FindBytePortable(const char* bytes, size_t n, char value)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        if (const uint64_t found = FoundBits(LoadWord(bytes + i), value)) {
            // The first byte in memory order is the lowest one on little-endian
            // machines; elsewhere it is sought within the word.
            if constexpr (std::endian::native == std::endian::little)
                return bytes + i + static_cast<size_t>(std::countr_zero(found)) / 8;
            break;
        }
    }
    for (; i < n; ++i)
        if (bytes[i] == value) return bytes + i;
    return nullptr;
}

const char* FindLineBeforeMarkPortable(const char* bytes, size_t n)
{
    for (const char* lf = FindBytePortable(bytes, n, '\n'); lf != nullptr;
         lf = FindBytePortable(lf + 1, static_cast<size_t>(bytes + n - lf - 1), '\n')) {
        if (lf + 1 == bytes + n) return nullptr;
        if (MayBeginMarkedLine(lf[1])) return lf;
    }
    return nullptr;
}
