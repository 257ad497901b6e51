// The library's load hook on POSIX. The module handle is an address inside
// the library: GetModuleFileNameA finds the file by it. At unload the shared
// state is released by its own destructors, which on POSIX run before any
// unload hook could.
#include "TANSY_WFX.h"

namespace {

__attribute__((constructor)) void LibraryLoaded()
{
    LibraryStartup(reinterpret_cast<HINSTANCE>(&LibraryLoaded));
}

}  // namespace
