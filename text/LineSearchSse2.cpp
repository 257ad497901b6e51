// The searches with SSE2, which every x86-64 processor and every x86 one
// that runs a current Windows has: sixteen bytes compared at once. Loads are
// unaligned and never reach past the `n` bytes.
#include <emmintrin.h>

#include <bit>

#include "LineSearch.h"

namespace {

constexpr size_t kBlock = 16;

// The bits of the bytes among the sixteen at `bytes` that are `value`, the
// first byte lowest.
unsigned FoundMask(const char* bytes, char value)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(value))));
}

}  // namespace

const char* FindByte(const char* bytes, size_t n, char value)
{
    if (n < kBlock) {
        for (size_t i = 0; i < n; ++i)
            if (bytes[i] == value) return bytes + i;
        return nullptr;
    }
    size_t i = 0;
    for (; i + kBlock <= n; i += kBlock)
        if (const unsigned mask = FoundMask(bytes + i, value)) return bytes + i + std::countr_zero(mask);
    if (i == n) return nullptr;
    // The last sixteen bytes, without those already searched.
    const unsigned mask = FoundMask(bytes + n - kBlock, value) >> (i - (n - kBlock));
    return mask ? bytes + i + std::countr_zero(mask) : nullptr;
}

const char* FindLineBeforeMark(const char* bytes, size_t n)
{
    // Lines are short: a block holds an LF or two, and each is looked at.
    size_t i = 0;
    for (; i + kBlock < n; i += kBlock) {
        for (unsigned lf = FoundMask(bytes + i, '\n'); lf != 0; lf &= lf - 1) {
            const char* at = bytes + i + std::countr_zero(lf);
            if (MayBeginMarkedLine(at[1])) return at;
        }
    }
    for (; i + 1 < n; ++i)
        if (bytes[i] == '\n' && MayBeginMarkedLine(bytes[i + 1])) return bytes + i;
    return nullptr;
}
