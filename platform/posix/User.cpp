// Windows and message boxes of the stand-in layer. There are no windows here;
// a message box is handed to the hook a host harness set to observe it, else
// shown through the file manager's own box when it handed one over
// (HostMessageBox.h), else to the person at the terminal on standard error.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "HostMessageBox.h"
#include "tansy_harness.h"
#include "tansy_windows.h"

namespace {

std::atomic<TansyMessageBoxHook> gMessageBoxHook{nullptr};
std::atomic<TansyHostMessageBox> gHostMessageBox{nullptr};

std::atomic<TansyMessageBoxHookW> gMessageBoxHookW{nullptr};

// UTF-16 text as UTF-8; line breaks become plain LF, as terminals and
// toolkits want.
std::string Utf8FromWide(const std::u16string& wide)
{
    const int units = static_cast<int>(wide.size());
    if (units == 0) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
    std::string shown;
    for (size_t i = 0; i < utf8.size(); ++i)
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) shown += utf8[i];
    return shown;
}

// ANSI text of the active code page as UTF-8, through UTF-16 as Windows
// would show it.
std::string Utf8FromAnsi(const char* text)
{
    const int length = static_cast<int>(std::strlen(text));
    if (length == 0) return {};
    std::u16string wide(static_cast<size_t>(length), u'\0');
    const int units = MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), length);
    wide.resize(static_cast<size_t>(std::max(units, 0)));
    return Utf8FromWide(wide);
}

// Shows a box whose texts are UTF-8 through the file manager's box, else on
// standard error; answers as OK.
int ShowBox(const std::string& text, const std::string& caption, UINT style)
{
    std::string shownText = text;
    std::string shownCaption = caption;
    if (const TansyHostMessageBox hostBox = gHostMessageBox.load())
        return hostBox(shownText.data(), shownCaption.data(), static_cast<long>(style));
    std::fprintf(stderr, "[%s]\n%s\n[OK]\n", shownCaption.c_str(), shownText.c_str());
    std::fflush(stderr);
    return IDOK;
}

}  // namespace

void TansySetMessageBoxHook(TansyMessageBoxHook hook)
{
    gMessageBoxHook.store(hook);
}

void TansySetMessageBoxHookW(TansyMessageBoxHookW hook)
{
    gMessageBoxHookW.store(hook);
}

void TansyUseHostMessageBox(TansyHostMessageBox box)
{
    gHostMessageBox.store(box);
}

HWND FindWindowA(LPCSTR /*className*/, LPCSTR /*windowName*/)
{
    return nullptr;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    if (const TansyMessageBoxHook hook = gMessageBoxHook.load())
        return hook(owner, text, caption, style);
    // Windows shows a box without a caption as "Error".
    try {
        return ShowBox(Utf8FromAnsi(text != nullptr ? text : ""), Utf8FromAnsi(caption != nullptr ? caption : "Error"),
                       style);
    } catch (const std::bad_alloc&) {
        // A box that cannot be shown is closed at once, as with OK.
    }
    return IDOK;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style)
{
    if (const TansyMessageBoxHookW hook = gMessageBoxHookW.load())
        return hook(owner, text, caption, style);
    try {
        return ShowBox(Utf8FromWide(text != nullptr ? text : u""), Utf8FromWide(caption != nullptr ? caption : u"Error"),
                       style);
    } catch (const std::bad_alloc&) {
    }
    return IDOK;
}
