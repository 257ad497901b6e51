// Conversions between the text forms: code-page widening and narrowing,
// UTF-8 decoding of names, and the zero-terminated and short forms.
#include "Text.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "LineSearch.h"
#include "tansy_windows.h"

namespace {

bool IsAscii(const char* bytes, size_t n)
{
    uint8_t any = 0;
    for (size_t i = 0; i < n; ++i) any |= static_cast<uint8_t>(bytes[i]);
    return any < 0x80;
}

bool IsAscii(const char16_t* units, size_t n)
{
    char16_t any = 0;
    for (size_t i = 0; i < n; ++i) any |= units[i];
    return any < 0x80;
}

// The system's calls count in int; longer texts are converted in pieces cut
// where no character can be split (only ASCII text is ever that long here).
constexpr size_t kMaxChunk = INT_MAX / 4;

// Appends `units` narrowed through the code page.
void AppendAnsiFromWide(AnsiString& target, const char16_t* units, size_t count)
{
    const size_t kept = target.size();
    // At most three bytes per UTF-16 unit in any code page (UTF-8 included).
    target.resize(kept + count * 3);
    const int n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(units), static_cast<int>(count),
                                      target.data() + kept, static_cast<int>(count * 3), nullptr, nullptr);
    target.resize(kept + static_cast<size_t>(std::max(n, 0)));
}

}  // namespace

bool IsAsciiText(std::string_view text)
{
    return IsAscii(text.data(), text.size());
}

void AssignWideFromAnsi(WideString& target, std::string_view text)
{
    // No code page makes more UTF-16 units than it was given bytes.
    target.resize(text.size());
    // Every ANSI code page of the system maps ASCII bytes to the same units:
    // they are copied, and only a text that turns out not to be ASCII is
    // converted by the system.
    uint8_t any = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto unit = static_cast<uint8_t>(text[i]);
        any |= unit;
        target[i] = unit;
    }
    if (any < 0x80) return;
    size_t done = 0;
    size_t written = 0;
    while (done < text.size()) {
        const size_t piece = std::min(text.size() - done, kMaxChunk);
        const int n = MultiByteToWideChar(CP_ACP, 0, text.data() + done, static_cast<int>(piece),
                                          reinterpret_cast<LPWSTR>(target.data() + written),
                                          static_cast<int>(target.size() - written));
        written += static_cast<size_t>(std::max(n, 0));
        done += piece;
    }
    target.resize(written);
}

WideString WideFromAnsi(std::string_view text)
{
    WideString result;
    AssignWideFromAnsi(result, text);
    return result;
}

void AssignAnsiFromWide(AnsiString& target, std::u16string_view text)
{
    if (IsAscii(text.data(), text.size())) {
        target.resize(text.size());
        std::copy(text.begin(), text.end(), target.begin());
        return;
    }
    target.clear();
    if (text.size() <= kMaxChunk) AppendAnsiFromWide(target, text.data(), text.size());
}

AnsiString AnsiFromWide(std::u16string_view text)
{
    AnsiString result;
    AssignAnsiFromWide(result, text);
    return result;
}

namespace {

bool IsTrailByte(uint8_t b)
{
    return (b & 0xC0) == 0x80;
}

// The length of the sequence that begins with `b`: no 4-byte form, and bit
// 0x40 is not looked at, so 0x80..0xBF begin sequences too.
size_t SequenceLength(uint8_t b)
{
    return b < 0x80 ? 1 : (b & 0x20) == 0 ? 2 : 3;
}

// True when every sequence has all its bytes and they are continuation bytes.
bool IsDecodable(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t length = SequenceLength(static_cast<uint8_t>(text[i]));
        if (text.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k)
            if (!IsTrailByte(static_cast<uint8_t>(text[i + k]))) return false;
        i += length;
    }
    return true;
}

char16_t DecodeSequence(const char* bytes, size_t length)
{
    const auto b = [&](size_t k) { return static_cast<unsigned>(static_cast<uint8_t>(bytes[k])); };
    if (length == 1) return static_cast<char16_t>(b(0));
    if (length == 2) return static_cast<char16_t>(((b(0) & 0x1F) << 6) | (b(1) & 0x3F));
    return static_cast<char16_t>(((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F));
}

}  // namespace

void AssignAnsiFromUtf8(AnsiString& target, std::string_view text)
{
    // ASCII decodes to the same units, which every code page narrows back to
    // the same bytes.
    if (IsAscii(text.data(), text.size())) {
        target.assign(text);
        return;
    }
    target.clear();
    if (!IsDecodable(text)) return;
    // Decoded a piece at a time on the stack, so that nothing is allocated
    // beyond the target; a piece never ends between the halves of a pair.
    constexpr size_t kPiece = 256;
    char16_t units[kPiece + 1];
    size_t count = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t length = SequenceLength(static_cast<uint8_t>(text[i]));
        units[count++] = DecodeSequence(text.data() + i, length);
        i += length;
        if (count < kPiece) continue;
        const bool highLast = units[count - 1] >= 0xD800 && units[count - 1] <= 0xDBFF;
        AppendAnsiFromWide(target, units, highLast ? count - 1 : count);
        units[0] = units[count - 1];
        count = highLast ? 1 : 0;
    }
    if (count > 0) AppendAnsiFromWide(target, units, count);
}

AnsiString AnsiFromUtf8(std::string_view text)
{
    AnsiString result;
    AssignAnsiFromUtf8(result, text);
    return result;
}

WideString WideFromZString(const char* text)
{
    return text ? WideFromAnsi(text) : WideString();
}

AnsiString AnsiFromZString(const char* text)
{
    return text ? AnsiString(text) : AnsiString();
}

WideString WideFromCharArray(const char* array, size_t n)
{
    const char* zero = FindByte(array, n, '\0');
    const size_t length = zero ? static_cast<size_t>(zero - array) : n;
    return WideFromAnsi(std::string_view(array, length));
}

AnsiString AnsiFromShort(const ShortString& text)
{
    return AnsiString(text.View());
}

ShortString ShortFromZString(const char* text)
{
    return TextToShort(text ? std::string_view(text) : std::string_view());
}

ShortString TextToShort(std::string_view text)
{
    ShortString result;
    result.Length = static_cast<uint8_t>(std::min<size_t>(text.size(), sizeof result.Chars));
    // An empty view may carry a null pointer, which memcpy must never get.
    if (result.Length > 0) std::memcpy(result.Chars, text.data(), result.Length);
    return result;
}

void BoundedCopy(char* dest, std::string_view source, size_t maxLen)
{
    const char* zero = FindByte(source.data(), source.size(), '\0');
    size_t length = zero ? static_cast<size_t>(zero - source.data()) : source.size();
    length = std::min(length, maxLen);
    if (length > 0) std::memcpy(dest, source.data(), length);
    dest[length] = 0;
}
