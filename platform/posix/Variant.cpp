// BSTRs and variants of the stand-in layer, for the one conversion the
// library makes: a BSTR to a 32-bit integer (VT_BSTR to VT_I4).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tansy_windows.h"

namespace {

// A BSTR is preceded by its length in bytes, as on Windows.
constexpr size_t kPrefix = sizeof(uint32_t);
constexpr size_t kMaxUnits = (UINT32_MAX - kPrefix) / sizeof(WCHAR) - 1;

bool IsBlank(WCHAR c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

// Optional blanks, an optional sign, decimal digits, optional blanks: the
// text up to its first zero unit, which Windows does not read past.
HRESULT ParseInt32(const WCHAR* text, LONG& value)
{
    if (text == nullptr) return DISP_E_TYPEMISMATCH;
    const WCHAR* p = text;
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t magnitude = 0;
    bool overflow = false;
    const WCHAR* digits = p;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        magnitude = magnitude * 10 + (*p - u'0');
        if (magnitude > limit) {
            overflow = true;
            magnitude = limit;  // keeps the sum bounded; the text is still checked to its end
        }
    }
    if (p == digits) return DISP_E_TYPEMISMATCH;
    while (IsBlank(*p)) ++p;
    if (*p != 0) return DISP_E_TYPEMISMATCH;
    if (overflow) return DISP_E_OVERFLOW;
    value = static_cast<LONG>(negative ? -magnitude : magnitude);
    return S_OK;
}

}  // namespace

BSTR SysAllocStringLen(const WCHAR* text, UINT length)
{
    if (length > kMaxUnits) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + (length + 1) * sizeof(WCHAR)));
    if (block == nullptr) return nullptr;
    const uint32_t bytes = length * static_cast<uint32_t>(sizeof(WCHAR));
    std::memcpy(block, &bytes, kPrefix);
    auto* result = reinterpret_cast<BSTR>(block + kPrefix);
    if (text != nullptr)
        std::memcpy(result, text, length * sizeof(WCHAR));
    else
        std::memset(result, 0, length * sizeof(WCHAR));
    result[length] = 0;
    return result;
}

void SysFreeString(BSTR text)
{
    if (text != nullptr) std::free(reinterpret_cast<unsigned char*>(text) - kPrefix);
}

void VariantInit(VARIANT* value)
{
    if (value != nullptr) value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value)
{
    if (value == nullptr) return E_INVALIDARG;
    switch (value->vt) {
    case VT_EMPTY:
    case VT_I4: break;
    case VT_BSTR: SysFreeString(value->bstrVal); break;
    default: return DISP_E_BADVARTYPE;
    }
    value->vt = VT_EMPTY;
    return S_OK;
}

// Only VT_BSTR to VT_I4 is offered; every other pair is a type mismatch.
// On failure the destination is left as it was.
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* source, LCID /*locale*/,
                            USHORT /*flags*/, VARTYPE type)
{
    if (dest == nullptr || source == nullptr) return E_INVALIDARG;
    if (source->vt != VT_BSTR || type != VT_I4) return DISP_E_TYPEMISMATCH;
    LONG value = 0;
    const HRESULT result = ParseInt32(source->bstrVal, value);
    if (FAILED(result)) return result;
    // The source may be the destination: it is read before it is cleared.
    const HRESULT cleared = VariantClear(dest);
    if (FAILED(cleared)) return cleared;
    dest->vt = VT_I4;
    dest->lVal = value;
    return S_OK;
}
