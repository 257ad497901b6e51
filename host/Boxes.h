// Message boxes that the library shows, as the host observes them.
#pragma once

#include <functional>
#include <string>

#include "PLUGIN_Types.h"

namespace host {

struct MessageBoxCall {
    HWND owner = nullptr;
    // An ANSI box (MessageBoxA): the library's bytes, unconverted. A Unicode
    // box (MessageBoxW): UTF-8, as Utf8FromUtf16 writes it.
    std::string caption;
    std::string text;
    UINT style = 0;
    bool unicode = false;
};

using MessageBoxListener = std::function<void(const MessageBoxCall&)>;

// Whoever drives the library decides what a box does: a transcript prints it,
// a command collects it. With no listener the box is dropped. Returns the
// listener it replaces.
MessageBoxListener SetMessageBoxListener(MessageBoxListener listener);

// Called by the platform's hook for every box, in the library's thread; the
// box's result is IDOK, as if a person pressed OK. OnMessageBoxW takes the
// texts of a Unicode box.
int OnMessageBox(HWND owner, const char* text, const char* caption, UINT style);
int OnMessageBoxW(HWND owner, const WCHAR* text, const WCHAR* caption, UINT style);

}  // namespace host
