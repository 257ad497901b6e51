// Test-only control of the ANSI code page of the POSIX stand-in layer.
// The library learns its code page from TANSY_CODEPAGE once; tests switch it
// here instead. Not exported from the plugin library.
#pragma once

#include "tansy_windows.h"

// The code page a TANSY_CODEPAGE value selects: 1251, 1252 or 65001; unset or
// empty selects 65001. Any other value is reported on standard error and
// selects 65001 too.
UINT TansyCodePageFromSetting(const char* value);

// Makes `codePage` (1251, 1252 or 65001) the ANSI code page; 0 makes the layer
// read TANSY_CODEPAGE again at the next conversion. Returns false, changing
// nothing, for any other value.
bool TansySetActiveCodePage(UINT codePage);

// The ANSI code page in use (reading TANSY_CODEPAGE first if not done yet).
UINT TansyActiveCodePage();
