// The library's load and unload hooks on POSIX. The module handle is an
// address inside the library: GetModuleFileNameA finds the file by it.
#include "TANSY_WFX.h"

namespace {

__attribute__((constructor)) void LibraryLoaded()
{
    LibraryStartup(reinterpret_cast<HINSTANCE>(&LibraryLoaded));
}

__attribute__((destructor)) void LibraryUnloaded()
{
    LibraryShutdown();
}

}  // namespace
