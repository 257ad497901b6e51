// A library with the harness exports and only two of the plugin's, for the
// host's tests: tansy must report the missing exports, not crash on them.
// Built a second time without the harness exports (TANSY_NO_HARNESS).
#include <csignal>
#include <cstdint>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
int (*BoxHook)(void*, const char*, const char*, uint32_t) = nullptr;
}

// FsInit with the number -99 crashes, as a faulty library might.
EXPORT int FsInit(int number, void*, void*, void*)
{
    if (number == -99) raise(SIGSEGV);
    return 0;
}

EXPORT void FsGetDefRootName(char* name, int maxLen)
{
    if (maxLen >= 3) {
        name[0] = 'P';
        name[1] = 'P';
        name[2] = '\0';
    }
    if (BoxHook) BoxHook(nullptr, "partial", "Partial", 0);
}

#ifndef TANSY_NO_HARNESS
EXPORT void TansySetMessageBoxHook(int (*hook)(void*, const char*, const char*, uint32_t))
{
    BoxHook = hook;
}

EXPORT uint32_t TansyGetLastError()
{
    return 0;
}
#endif
