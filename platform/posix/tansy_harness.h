// What a host program needs from the POSIX build of the library beyond the
// plugin interface: the library keeps its own last-error value and shows its
// message boxes itself, so a harness reads the one and observes the other
// through these exports.
#pragma once

#include "tansy_windows.h"

// Called instead of showing a box; its answer is the box's result.
typedef int (*TansyMessageBoxHook)(HWND owner, const char* text, const char* caption, UINT style);

// The same for the Unicode boxes (MessageBoxW), texts in UTF-16.
typedef int (*TansyMessageBoxHookW)(HWND owner, const WCHAR* text, const WCHAR* caption, UINT style);

TANSY_EXPORT void TansySetMessageBoxHook(TansyMessageBoxHook hook);
TANSY_EXPORT void TansySetMessageBoxHookW(TansyMessageBoxHookW hook);
TANSY_EXPORT DWORD TansyGetLastError(void);
TANSY_EXPORT void TansySetLastError(DWORD code);
