// Windows and message boxes of the stand-in layer. There are no windows here;
// a message box is handed to the hook a host harness set to observe it, else
// shown through the file manager's own box when it handed one over
// (HostMessageBox.h), else to the person at the terminal on standard error.
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

// ANSI text of the active code page as UTF-8, through UTF-16 as Windows
// would show it; line breaks become plain LF, as terminals and toolkits want.
std::string Utf8FromAnsi(const char* text)
{
    const int length = static_cast<int>(std::strlen(text));
    if (length == 0) return {};
    std::u16string wide(static_cast<size_t>(length), u'\0');
    const int units = MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), length);
    if (units <= 0) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
    std::string shown;
    for (size_t i = 0; i < utf8.size(); ++i)
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) shown += utf8[i];
    return shown;
}

}  // namespace

void TansySetMessageBoxHook(TansyMessageBoxHook hook)
{
    gMessageBoxHook.store(hook);
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
        std::string shownCaption = Utf8FromAnsi(caption != nullptr ? caption : "Error");
        std::string shownText = Utf8FromAnsi(text != nullptr ? text : "");
        if (const TansyHostMessageBox hostBox = gHostMessageBox.load())
            return hostBox(shownText.data(), shownCaption.data(), static_cast<long>(style));
        std::fprintf(stderr, "[%s]\n%s\n[OK]\n", shownCaption.c_str(), shownText.c_str());
        std::fflush(stderr);
    } catch (const std::bad_alloc&) {
        // A box that cannot be shown is closed at once, as with OK.
    }
    return IDOK;
}
