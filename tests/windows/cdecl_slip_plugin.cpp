// A stand-in for the library whose FsFindFirst slipped to cdecl: the fault
// the 32-bit checks must catch, on the machine code (check_stdcall.py) and
// in every call the 32-bit tansy.exe makes (host/StackCheckI686.cpp).
#include <windows.h>

extern "C" {

__declspec(dllexport) int __stdcall FsInit(int, void*, void*, void*)
{
    return 0;
}

__declspec(dllexport) void __stdcall FsGetDefRootName(char* name, int maxLen)
{
    if (name != nullptr && maxLen > 0) lstrcpynA(name, "Slip", maxLen);
    // The host observes the boxes through this import.
    MessageBoxA(nullptr, "slip", "slip", MB_OK);
}

__declspec(dllexport) void __stdcall FsStatusInfo(char*, int, int) {}

// The slip: the caller's 8 bytes of arguments stay on its stack.
__declspec(dllexport) HANDLE __cdecl FsFindFirst(char*, WIN32_FIND_DATAA*)
{
    SetLastError(ERROR_NO_MORE_FILES);
    return INVALID_HANDLE_VALUE;
}

__declspec(dllexport) BOOL __stdcall FsFindNext(HANDLE, WIN32_FIND_DATAA*)
{
    return FALSE;
}

__declspec(dllexport) int __stdcall FsFindClose(HANDLE)
{
    return 0;
}

__declspec(dllexport) int __stdcall FsExecuteFile(HWND, char*, char*)
{
    return 1;
}

}  // extern "C"
