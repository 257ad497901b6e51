// Field values to numbers and flags and back, and the small path and
// substring helpers.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "Failures.h"
#include "LineSearch.h"
#include "Text.h"
#include "tansy_windows.h"

namespace {

struct BstrDeleter {
    void operator()(WCHAR* text) const { SysFreeString(text); }
};

// The value of the four ASCII digits at `text`, the first the most
// significant; false when a byte is no digit. In 32-bit words, which 32-bit
// processors handle as fast as others.
bool FourDigits(const char* text, uint32_t& value)
{
    uint32_t word;
    std::memcpy(&word, text, sizeof word);
    constexpr uint32_t kHighNibbles = 0xF0F0F0F0u;
    constexpr uint32_t kZeros = 0x30303030u;
    // Every byte is 0x30 to 0x39: its high half is 3, and adding 6 keeps it 3.
    if ((word & kHighNibbles) != kZeros || ((word + 0x06060606u) & kHighNibbles) != kZeros) return false;
    word -= kZeros;
    // Pairs, then all four digits.
    word = (word * 10 + (word >> 8)) & 0x00FF00FFu;
    value = (word * 100 + (word >> 16)) & 0xFFFFu;
    return true;
}

// Text of one to ten decimal digits and nothing else converts the same under
// every locale: digits are digits everywhere, and without a sign, blanks or
// separators no locale setting comes into play. It need not go through the
// system's variant conversion, which is slow on Windows. A sign is left to the
// system: the negative sign is the locale's. Values past 2147483647 are left to
// it too, so that it reports the overflow.
bool PlainDecimal(std::string_view text, int32_t& value)
{
    if (text.empty() || text.size() > 10) return false;
    // Nine digits always fit in 32 bits; only a tenth needs more.
    uint32_t head = 0;
    size_t i = 0;
    // Times and IDs have eight digits or more: the first eight are taken four at a time.
    if (text.size() >= 8 && std::endian::native == std::endian::little) {
        uint32_t high = 0;
        uint32_t low = 0;
        if (!FourDigits(text.data(), high) || !FourDigits(text.data() + 4, low)) return false;
        head = high * 10000 + low;
        i = 8;
    }
    for (; i < text.size() && i < 9; ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        if (digit > 9) return false;
        head = head * 10 + digit;
    }
    uint64_t result = head;
    if (i < text.size()) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        if (digit > 9) return false;
        result = result * 10 + digit;
    }
    if (result > INT32_MAX) return false;
    value = static_cast<int32_t>(result);
    return true;
}

// The system's variant conversion under the user's locale. Out of line, so
// that the plain decimals of every field pay nothing for it.
[[gnu::noinline]] int32_t VariantToInt(std::string_view text)
{
    const WideString wide = WideFromAnsi(text);
    std::unique_ptr<WCHAR, BstrDeleter> bstr(
        SysAllocStringLen(reinterpret_cast<const WCHAR*>(wide.data()), static_cast<UINT>(wide.size())));
    if (!bstr) throw std::bad_alloc();
    VARIANT source;
    VARIANT dest;
    VariantInit(&source);
    VariantInit(&dest);
    source.vt = VT_BSTR;
    source.bstrVal = bstr.get();
    const HRESULT hr = VariantChangeTypeEx(&dest, &source, LOCALE_USER_DEFAULT, 0, VT_I4);
    if (FAILED(hr)) {
        if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
        throw EVariantError();
    }
    return dest.lVal;
}

}  // namespace

int32_t TextToInt(std::string_view text)
{
    int32_t value = 0;
    if (PlainDecimal(text, value)) return value;
    return VariantToInt(text);
}

bool TextToFlag(std::string_view text)
{
    const char* zero = FindByte(text.data(), text.size(), '\0');
    const size_t length = zero ? static_cast<size_t>(zero - text.data()) : text.size();
    return text.substr(0, length) == "YES";
}

void AssignTextToWide(WideString& target, std::string_view text)
{
    AssignWideFromAnsi(target, text);
    const size_t zero = target.find(u'\0');
    if (zero != WideString::npos) target.resize(zero);
}

WideString TextToWide(std::string_view text)
{
    WideString wide;
    AssignTextToWide(wide, text);
    return wide;
}

AnsiString IntToText(int32_t value)
{
    return std::to_string(value);
}

AnsiString IntToText(int64_t value)
{
    return std::to_string(value);
}

AnsiString BoolToText(uint8_t flag)
{
    return flag != 0 ? "True" : "False";
}

namespace {

// The last backslash that is a character of its own ends the parent; it stays
// where it begins the path or follows another backslash. `skipsNext` tells
// a unit that takes the next one with it (a double-byte lead byte), so that
// the next one is never taken for a backslash.
template <class Char, class SkipsNext>
std::basic_string<Char> ParentPathOf(std::basic_string_view<Char> path, SkipsNext skipsNext)
{
    size_t last = std::basic_string_view<Char>::npos;
    bool lastFollowsBackslash = false;
    bool previousIsBackslash = false;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == Char('\\')) {
            last = i;
            lastFollowsBackslash = previousIsBackslash;
            previousIsBackslash = true;
            continue;
        }
        if (skipsNext(path[i])) ++i;
        previousIsBackslash = false;
    }
    if (last == std::basic_string_view<Char>::npos) return {};
    const size_t length = last > 0 && !lastFollowsBackslash ? last : last + 1;
    return std::basic_string<Char>(path.substr(0, length));
}

}  // namespace

AnsiString ParentPath(std::string_view path)
{
    return ParentPathOf(path, [](char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; });
}

WideString ParentPath(std::u16string_view path)
{
    return ParentPathOf(path, [](char16_t) { return false; });
}

AnsiString SubText(std::string_view text, int64_t index, int64_t count)
{
    if (text.empty() || count < 0) return {};
    if (index < 1) index = 1;
    if (index > static_cast<int64_t>(text.size())) return {};
    return AnsiString(text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

int32_t TextPos(std::string_view sub, std::string_view text)
{
    if (sub.empty() || text.empty()) return 0;
    // One character, as the "=" of every field line, is found directly.
    if (sub.size() == 1) {
        const char* at = FindByte(text.data(), text.size(), sub[0]);
        return at ? static_cast<int32_t>(at - text.data() + 1) : 0;
    }
    const size_t at = text.find(sub);
    return at == std::string_view::npos ? 0 : static_cast<int32_t>(at + 1);
}
