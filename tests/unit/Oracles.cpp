#include "Oracles.h"

#include "Text.h"
#include "tansy_windows.h"

THotlistKey KeyByTheRule(std::string_view line)
{
    for (const TKeyRule& rule : kKeyRules)
        if (line.size() > rule.Text.size() && line.substr(1, rule.Text.size()) == rule.Text) return rule.Key;
    return hkNone;
}

std::optional<int32_t> PlatformInt(std::string_view text)
{
    const WideString wide = WideFromAnsi(text);
    const BSTR bstr = SysAllocStringLen(reinterpret_cast<const WCHAR*>(wide.data()), static_cast<UINT>(wide.size()));
    VARIANT source;
    VARIANT dest;
    VariantInit(&source);
    VariantInit(&dest);
    source.vt = VT_BSTR;
    source.bstrVal = bstr;
    const HRESULT result = VariantChangeTypeEx(&dest, &source, LOCALE_USER_DEFAULT, 0, VT_I4);
    SysFreeString(bstr);
    if (FAILED(result)) return std::nullopt;
    return dest.lVal;
}
