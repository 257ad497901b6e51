// What the library does differently on each platform it is built for, one
// file per platform (PlatformPosix.cpp, PlatformWin32.cpp; CMake picks the
// file). The load hooks are EntryPosix.cpp and EntryWin32.cpp.
#pragma once

#include <string_view>

// Characters that end the library's base name when the configuration path is
// formed from the library's own path.
extern const std::string_view kConfigPathDelimiters;
// The separator that hosts on this platform may write in virtual paths
// instead of "\" ("/News/Daily"); '\0' where they write "\" only.
extern const char kHostPathSeparator;
