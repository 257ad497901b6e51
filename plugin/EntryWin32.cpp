// The library's load and unload hooks on Windows.
#include "TANSY_WFX.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) LibraryStartup(module);
    if (reason == DLL_PROCESS_DETACH) LibraryShutdown();
    return TRUE;
}
