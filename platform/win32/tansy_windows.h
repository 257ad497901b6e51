// On Windows the library calls the real API; this header only adds the few
// project macros that the POSIX stand-in header defines as well.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <oleauto.h>

// Exports are named by the module-definition file, undecorated.
#define TANSY_EXPORT extern "C"

// Characters that end the library's base name when the configuration path is
// formed from the library's own path.
#define TANSY_CONFIG_PATH_DELIMITERS ".\\:"
// Windows hosts only ever pass "\" paths; no other separator is translated.
#define TANSY_HOST_PATH_SEPARATOR '\0'
