// Stand-ins for a faulty plugin library, for the host's tests: tansy must
// report what is wrong with a library, not crash on it or hang.
//   default           the harness exports and only FsInit and FsGetDefRootName
//   TANSY_NO_HARNESS  the same without the harness exports
//   TANSY_ENDLESS     also a listing whose FsFindNext never answers "no more"
#include <csignal>
#include <cstdint>
#include <cstring>

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

#ifdef TANSY_ENDLESS
// The record's layout does not matter here: a zero record is a nameless file.
EXPORT void* FsFindFirst(char*, void* data)
{
    std::memset(data, 0, 318);
    return nullptr;
}

EXPORT int FsFindNext(void*, void* data)
{
    std::memset(data, 0, 318);
    return -1;
}

EXPORT int FsFindClose(void*)
{
    return 0;
}
#endif
