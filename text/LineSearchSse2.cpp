// The searches with SSE2, which every x86-64 processor and every x86 one
// that runs a current Windows has: sixteen bytes compared at once. Loads are
// unaligned and never reach past the `n` bytes.
#include <emmintrin.h>

#include <bit>

#include "LineSearch.h"

namespace {

constexpr size_t kBlock = 16;

// The bits of the bytes among the sixteen at `bytes` that equal those of
// `wanted` (one byte sixteen times over), the first byte lowest.
unsigned FoundMask(const char* bytes, __m128i wanted)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
}

// Whether the byte of `wanted` stands among the sixty-four bytes at `bytes`:
// the search through a whole block of the file, for a CR that is mostly not
// there, goes four vectors at a time.
bool FoundInFour(const char* bytes, __m128i wanted)
{
    const auto at = [&](size_t k) {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k * kBlock)), wanted);
    };
    const __m128i any = _mm_or_si128(_mm_or_si128(at(0), at(1)), _mm_or_si128(at(2), at(3)));
    return _mm_movemask_epi8(any) != 0;
}

// The bits of the bytes among the sixteen at `bytes` that may begin a marked
// line (MayBeginMarkedLine), the first byte lowest.
unsigned MarkMask(const char* bytes)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const auto is = [&](char value) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(value)); };
    const __m128i marks = _mm_or_si128(_mm_or_si128(is('#'), is('-')), _mm_or_si128(is('\r'), is('\x1A')));
    // A byte of 0x80 or more has the high bit that movemask takes.
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(marks, block)));
}

// FindByte with the byte also given sixteen times over in `wanted`, which
// for a constant byte the compiler makes once.
const char* FindIn(const char* bytes, size_t n, char value, __m128i wanted)
{
    if (n < kBlock) {
        for (size_t i = 0; i < n; ++i)
            if (bytes[i] == value) return bytes + i;
        return nullptr;
    }
    // A line ends within its first few blocks; only longer searches go four
    // blocks at a time.
    constexpr size_t kShortLine = 4 * kBlock;
    size_t i = 0;
    for (; i + kBlock <= n && i < kShortLine; i += kBlock)
        if (const unsigned mask = FoundMask(bytes + i, wanted)) return bytes + i + std::countr_zero(mask);
    for (; i + 4 * kBlock <= n && !FoundInFour(bytes + i, wanted); i += 4 * kBlock) {
    }
    for (; i + kBlock <= n; i += kBlock)
        if (const unsigned mask = FoundMask(bytes + i, wanted)) return bytes + i + std::countr_zero(mask);
    if (i == n) return nullptr;
    // The last sixteen bytes, without those already searched.
    const unsigned mask = FoundMask(bytes + n - kBlock, wanted) >> (i - (n - kBlock));
    return mask ? bytes + i + std::countr_zero(mask) : nullptr;
}

}  // namespace

const char* FindByte(const char* bytes, size_t n, char value)
{
    return FindIn(bytes, n, value, _mm_set1_epi8(value));
}

const char* FindLineFeed(const char* bytes, size_t n)
{
    return FindIn(bytes, n, '\n', _mm_set1_epi8('\n'));
}

const char* FindLineBeforeMark(const char* bytes, size_t n)
{
    // Each LF's bit, and the mark bit of the byte one further on, sixteen at a
    // time: a run of plain lines costs about what counting its LFs does.
    size_t i = 0;
    for (; i + kBlock < n; i += kBlock) {
        if (const unsigned hits = FoundMask(bytes + i, _mm_set1_epi8('\n')) & MarkMask(bytes + i + 1))
            return bytes + i + std::countr_zero(hits);
    }
    for (; i + 1 < n; ++i)
        if (bytes[i] == '\n' && MayBeginMarkedLine(bytes[i + 1])) return bytes + i;
    return nullptr;
}
