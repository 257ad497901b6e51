// Conversions between the text forms: code-page widening and narrowing,
// UTF-8 decoding of names, and the zero-terminated and short forms.
#include "Text.h"

#include <algorithm>
#include <climits>
#include <cstring>

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

}  // namespace

bool IsAsciiText(std::string_view text)
{
    return IsAscii(text.data(), text.size());
}

void AssignWideFromAnsi(WideString& target, std::string_view text)
{
    // Every ANSI code page of the system maps ASCII bytes to the same units.
    if (IsAscii(text.data(), text.size())) {
        target.resize(text.size());
        std::copy(text.begin(), text.end(), target.begin());
        return;
    }
    // No code page makes more UTF-16 units than it was given bytes.
    target.resize(text.size());
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
    // At most three bytes per UTF-16 unit in any code page (UTF-8 included).
    if (text.size() > kMaxChunk) {
        target.clear();
        return;
    }
    target.resize(text.size() * 3);
    const int n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(text.data()),
                                      static_cast<int>(text.size()), target.data(),
                                      static_cast<int>(target.size()), nullptr, nullptr);
    target.resize(static_cast<size_t>(std::max(n, 0)));
}

AnsiString AnsiFromWide(std::u16string_view text)
{
    AnsiString result;
    AssignAnsiFromWide(result, text);
    return result;
}

namespace {

// Decodes UTF-8 into `units`, without the 4-byte form; false on a sequence
// that lacks a byte or has a byte that is no continuation byte.
bool DecodeUtf8(std::string_view text, WideString& units)
{
    units.clear();
    const auto isTrail = [](uint8_t b) { return (b & 0xC0) == 0x80; };
    size_t i = 0;
    while (i < text.size()) {
        const uint8_t b = static_cast<uint8_t>(text[i]);
        if (b < 0x80) {
            units.push_back(b);
            i += 1;
        } else if ((b & 0x20) == 0) {
            if (i + 1 >= text.size()) return false;
            const uint8_t b2 = static_cast<uint8_t>(text[i + 1]);
            if (!isTrail(b2)) return false;
            units.push_back(static_cast<char16_t>(((b & 0x1F) << 6) | (b2 & 0x3F)));
            i += 2;
        } else {
            if (i + 2 >= text.size()) return false;
            const uint8_t b2 = static_cast<uint8_t>(text[i + 1]);
            const uint8_t b3 = static_cast<uint8_t>(text[i + 2]);
            if (!isTrail(b2) || !isTrail(b3)) return false;
            units.push_back(static_cast<char16_t>(((b & 0x0F) << 12) | ((b2 & 0x3F) << 6) | (b3 & 0x3F)));
            i += 3;
        }
    }
    return true;
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
    // The decoded units are kept, so that repeated calls reuse their storage:
    // the library runs on its host's one calling thread. (No thread_local: a
    // library that is unloaded must leave no destructor behind in a thread.)
    static WideString units;
    if (!DecodeUtf8(text, units)) {
        target.clear();
        return;
    }
    AssignAnsiFromWide(target, units);
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
    const void* zero = std::memchr(array, 0, n);
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - array) : n;
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
    // An empty view may carry a null pointer, which memchr and memcpy must never get.
    const void* zero = source.empty() ? nullptr : std::memchr(source.data(), 0, source.size());
    size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - source.data())
                         : source.size();
    length = std::min(length, maxLen);
    if (length > 0) std::memcpy(dest, source.data(), length);
    dest[length] = 0;
}
