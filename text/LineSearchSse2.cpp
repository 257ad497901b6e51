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
    // CR (0x0D) and "-" (0x2D) differ in the bit 0x20 only, and no other byte
    // turns into "-" when that bit is set.
    const __m128i crOrDash = _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(0x20)), _mm_set1_epi8('-'));
    const __m128i marks = _mm_or_si128(_mm_or_si128(is('#'), crOrDash), is('\x1A'));
    // A byte of 0x80 or more has the high bit that movemask takes.
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(marks, block)));
}

// The bits of the bytes among the sixteen at `bytes` that are a tab or an LF,
// the first byte lowest: after an LF they begin a field line or an empty one,
// as most lines of a hotlist do, and neither begins a marked line.
unsigned FieldOrEmptyMask(const char* bytes)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i fieldOrEmpty =
        _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(block, _mm_set1_epi8('\n')));
    return static_cast<unsigned>(_mm_movemask_epi8(fieldOrEmpty));
}

// The bits of the "#" among the sixteen bytes at `bytes` that begin lines
// `starts` lets a search pass, the byte after each at hand: those whose next
// byte is ASCII, no LF or CR, and none of AfterHash (given sixteen times over
// in `afterHash`). The first byte lowest.
unsigned PassedHashMask(const char* bytes, const __m128i (&afterHash)[kAfterHashBytes])
{
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 1));
    const auto is = [&](__m128i value) { return _mm_cmpeq_epi8(second, value); };
    // A byte of 0x80 or more has the high bit that movemask takes.
    __m128i stops = _mm_or_si128(_mm_or_si128(is(_mm_set1_epi8('\n')), is(_mm_set1_epi8('\r'))), second);
    for (const __m128i& value : afterHash) stops = _mm_or_si128(stops, is(value));
    return FoundMask(bytes, _mm_set1_epi8('#')) & ~static_cast<unsigned>(_mm_movemask_epi8(stops));
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

const char* FindLineBeforeMark(const char* bytes, size_t n, const TMarkStarts& starts)
{
    __m128i afterHash[kAfterHashBytes] = {};
    if (!starts.EveryHashLine)
        for (size_t k = 0; k < kAfterHashBytes; ++k) afterHash[k] = _mm_set1_epi8(starts.AfterHash[k]);
    // Each LF's bit, and the bit of the byte one further on, sixteen at a
    // time, so that a run of plain lines costs about what counting its LFs
    // does. Only the LFs before lines that are no field and not empty have
    // that byte classified, and only the "#" lines among them the byte after
    // the "#" as well.
    size_t i = 0;
    for (; i + kBlock + 2 <= n; i += kBlock) {
        unsigned hits = FoundMask(bytes + i, _mm_set1_epi8('\n')) & ~FieldOrEmptyMask(bytes + i + 1);
        if (hits == 0) continue;
        hits &= MarkMask(bytes + i + 1);
        if (hits != 0 && !starts.EveryHashLine) hits &= ~PassedHashMask(bytes + i + 1, afterHash);
        if (hits != 0) return bytes + i + std::countr_zero(hits);
    }
    for (; i + 1 < n; ++i)
        if (bytes[i] == '\n' && MayBeginMarkedLine(bytes + i + 1, n - i - 1, starts)) return bytes + i;
    return nullptr;
}
