#include "Boxes.h"

#include <utility>

#include "Utf8.h"

namespace host {

namespace {

MessageBoxListener CurrentListener;

int Report(const MessageBoxCall& box)
{
    // Nothing may be thrown back into the library's frames.
    try {
        if (CurrentListener) CurrentListener(box);
    } catch (...) {
    }
    return IDOK;
}

std::string Utf8FromUnits(const WCHAR* text)
{
    std::u16string units;
    for (; text && *text; ++text) units += static_cast<char16_t>(*text);
    return Utf8FromUtf16(units);
}

}  // namespace

MessageBoxListener SetMessageBoxListener(MessageBoxListener listener)
{
    std::swap(CurrentListener, listener);
    return listener;
}

int OnMessageBox(HWND owner, const char* text, const char* caption, UINT style)
{
    try {
        return Report({owner, caption ? caption : "", text ? text : "", style, false});
    } catch (...) {
        return IDOK;
    }
}

int OnMessageBoxW(HWND owner, const WCHAR* text, const WCHAR* caption, UINT style)
{
    try {
        return Report({owner, Utf8FromUnits(caption), Utf8FromUnits(text), style, true});
    } catch (...) {
        return IDOK;
    }
}

}  // namespace host
