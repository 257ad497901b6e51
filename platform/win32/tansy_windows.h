// On Windows the library calls the real API; this header only adds the
// project macro that the POSIX stand-in header defines as well.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <oleauto.h>

// Exports are named by the module-definition file, undecorated.
#define TANSY_EXPORT extern "C"
