// The Windows calls as the tests of the platform make them, on the real API
// and on the POSIX stand-in alike.
#pragma once

#include <string>

#include "tansy_windows.h"

// Every byte value, 0 to 255, once.
std::string AllBytes();

// MultiByteToWideChar and WideCharToMultiByte of whole texts.
std::u16string ToWide(UINT codePage, const std::string& bytes);
std::string ToBytes(UINT codePage, const std::u16string& wide, BOOL* usedDefault = nullptr);

// VariantChangeTypeEx of the text as a BSTR to VT_I4 under the user's locale,
// as the library reads a field value.
HRESULT ToInt32(const std::u16string& text, LONG& value);

// `path` opened as the library opens the hotlist.
HANDLE OpenForReading(const std::string& path);
// The Windows code CreateFileA leaves for `path` (0 when it opened it).
DWORD OpenError(const std::string& path);

struct Lookup {
    std::string value;
    DWORD count;
};
// GetPrivateProfileStringA into a buffer of `size` characters; a write past
// them is a test failure.
Lookup ReadProfile(const std::string& file, const char* section, const char* key, const char* fallback = "dflt",
                   DWORD size = 256);
// The [main] hotlist= value of a configuration file holding `content`.
std::string HotlistValue(const std::string& content);
