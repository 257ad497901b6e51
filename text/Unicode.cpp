// The hotlist's UTF-8 decoded into UTF-16 without loss, for hosts that take
// names as Unicode: every character as it is, a surrogate pair for those past
// U+FFFF, and U+FFFD for bytes that begin no valid sequence, one for each
// longest run that could have begun one, a lead byte and a continuation byte
// outside its range counted as one run (as Windows' own decoder does).
#include "Text.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The range the second byte of a sequence led by `lead` must lie in; the
// bytes after it lie in 0x80..0xBF. Leads of no sequence give an empty range.
struct TSecondByte {
    uint8_t Low = 1;
    uint8_t High = 0;
};

TSecondByte SecondByteOf(uint8_t lead)
{
    if (lead >= 0xC2 && lead <= 0xDF) return {0x80, 0xBF};
    if (lead == 0xE0) return {0xA0, 0xBF};  // no overlong forms
    if (lead == 0xED) return {0x80, 0x9F};  // no surrogates
    if (lead >= 0xE1 && lead <= 0xEF) return {0x80, 0xBF};
    if (lead == 0xF0) return {0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {0x80, 0xBF};
    if (lead == 0xF4) return {0x80, 0x8F};  // nothing past U+10FFFF
    return {};
}

size_t SequenceLength(uint8_t lead)
{
    return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

void AppendCodePoint(WideString& target, uint32_t value)
{
    if (value < 0x10000) {
        target += static_cast<char16_t>(value);
        return;
    }
    value -= 0x10000;
    target += static_cast<char16_t>(0xD800 + (value >> 10));
    target += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
}

bool IsContinuation(uint8_t b)
{
    return (b & 0xC0) == 0x80;
}

// Decodes the sequence at `i` onto `target` and returns the bytes it took:
// a whole sequence, or the start of one that broke off (one U+FFFD for it).
// As Windows decodes: after a lead byte, a continuation byte outside the
// lead's range (an overlong form, a surrogate, past U+10FFFF) still belongs
// to the broken part.
size_t DecodeOne(std::string_view text, size_t i, WideString& target)
{
    const auto lead = static_cast<uint8_t>(text[i]);
    if (lead < 0x80) {
        target += static_cast<char16_t>(lead);
        return 1;
    }
    const TSecondByte second = SecondByteOf(lead);
    const size_t length = SequenceLength(lead);
    uint32_t value = lead & (0x7F >> length);
    size_t taken = 1;
    for (; taken < length && i + taken < text.size(); ++taken) {
        const auto b = static_cast<uint8_t>(text[i + taken]);
        if (taken == 1 && second.High != 0 && IsContinuation(b) && (b < second.Low || b > second.High)) {
            target += kReplacement;
            return 2;
        }
        const bool fits = taken == 1 ? b >= second.Low && b <= second.High : IsContinuation(b);
        if (!fits) break;
        value = (value << 6) | (b & 0x3F);
    }
    if (taken == length) {
        AppendCodePoint(target, value);
    } else {
        target += kReplacement;
    }
    return taken;
}

}  // namespace

void AssignUtf16FromUtf8(WideString& target, std::string_view text)
{
    target.clear();
    for (size_t i = 0; i < text.size();) i += DecodeOne(text, i, target);
}

WideString Utf16FromUtf8(std::string_view text)
{
    WideString result;
    AssignUtf16FromUtf8(result, text);
    return result;
}

size_t UnitsWithinLimit(std::u16string_view text, size_t limit)
{
    if (text.size() <= limit) return text.size();
    // A high surrogate last would lose the low one that follows it.
    if (limit == 0) return 0;
    const char16_t last = text[limit - 1];
    return last >= 0xD800 && last <= 0xDBFF ? limit - 1 : limit;
}
