// The line search with SSE2, which every x86-64 processor and every x86 one
// that runs a current Windows has: sixteen bytes compared at once. Loads are
// unaligned and never reach past the `n` bytes.
#include <emmintrin.h>

#include <bit>

#include "LineSearch.h"

namespace {

// The bits of the LF bytes among the sixteen at `bytes`, the first byte lowest.
unsigned LineFeedMask(const char* bytes)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n'))));
}

}  // namespace

const char* FindLineFeed(const char* bytes, size_t n)
{
    constexpr size_t kBlock = 16;
    if (n < kBlock) {
        for (size_t i = 0; i < n; ++i)
            if (bytes[i] == '\n') return bytes + i;
        return nullptr;
    }
    size_t i = 0;
    for (; i + kBlock <= n; i += kBlock)
        if (const unsigned mask = LineFeedMask(bytes + i)) return bytes + i + std::countr_zero(mask);
    if (i == n) return nullptr;
    // The last sixteen bytes, without those already searched.
    const unsigned mask = LineFeedMask(bytes + n - kBlock) >> (i - (n - kBlock));
    return mask ? bytes + i + std::countr_zero(mask) : nullptr;
}

const char* FindLineBeforeMark(const char* bytes, size_t n)
{
    // Lines are short: a block holds an LF or two, and each is looked at.
    constexpr size_t kBlock = 16;
    size_t i = 0;
    for (; i + kBlock < n; i += kBlock) {
        for (unsigned lf = LineFeedMask(bytes + i); lf != 0; lf &= lf - 1) {
            const char* at = bytes + i + std::countr_zero(lf);
            if (MayBeginMarkedLine(at[1])) return at;
        }
    }
    for (; i + 1 < n; ++i)
        if (bytes[i] == '\n' && MayBeginMarkedLine(bytes[i + 1])) return bytes + i;
    return nullptr;
}
