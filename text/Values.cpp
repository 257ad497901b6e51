// Field values to numbers and flags and back, and the small path and
// substring helpers.
#include <cstring>
#include <memory>

#include "Failures.h"
#include "Text.h"
#include "tansy_windows.h"

namespace {

struct BstrDeleter {
    void operator()(WCHAR* text) const { SysFreeString(text); }
};

// Plain decimal text of at most nine digits converts the same under every
// locale, so it need not go through the system's variant conversion.
bool PlainDecimal(std::string_view text, int32_t& value)
{
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) i = 1;
    const size_t digits = text.size() - i;
    if (digits == 0 || digits > 9) return false;
    int32_t result = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
    }
    value = negative ? -result : result;
    return true;
}

}  // namespace

int32_t TextToInt(std::string_view text)
{
    int32_t value = 0;
    if (PlainDecimal(text, value)) return value;

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

bool TextToFlag(std::string_view text)
{
    const void* zero = std::memchr(text.data(), 0, text.size());
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - text.data())
                               : text.size();
    return text.substr(0, length) == "YES";
}

WideString TextToWide(std::string_view text)
{
    WideString wide = WideFromAnsi(text);
    const size_t zero = wide.find(u'\0');
    if (zero != WideString::npos) wide.resize(zero);
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

AnsiString ParentPath(std::string_view path)
{
    // The last backslash that is a character of its own: in a double-byte
    // code page a trail byte of value 0x5C is no separator.
    size_t last = std::string_view::npos;
    bool lastFollowsBackslash = false;
    bool previousIsBackslash = false;
    for (size_t i = 0; i < path.size(); ++i) {
        const BYTE b = static_cast<BYTE>(path[i]);
        if (b == '\\') {
            last = i;
            lastFollowsBackslash = previousIsBackslash;
            previousIsBackslash = true;
            continue;
        }
        if (IsDBCSLeadByte(b)) ++i;
        previousIsBackslash = false;
    }
    if (last == std::string_view::npos) return {};
    if (last > 0 && !lastFollowsBackslash) return AnsiString(path.substr(0, last));
    return AnsiString(path.substr(0, last + 1));
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
    const size_t at = text.find(sub);
    return at == std::string_view::npos ? 0 : static_cast<int32_t>(at + 1);
}
