// The library's exports: the file manager's plugin interface.
#pragma once

#include "PLUGIN_Types.h"

TANSY_EXPORT int WINAPI FsInit(int PluginNr, tProgressProc ProgressProc, tLogProc LogProc,
                               tRequestProc RequestProc);
TANSY_EXPORT void WINAPI FsGetDefRootName(char* DefRootName, int MaxLen);
TANSY_EXPORT void WINAPI FsStatusInfo(char* RemoteDir, int InfoStartEnd, int InfoOperation);
TANSY_EXPORT HANDLE WINAPI FsFindFirst(char* Path, WIN32_FIND_DATAA* FindData);
TANSY_EXPORT BOOL WINAPI FsFindNext(HANDLE Hdl, WIN32_FIND_DATAA* FindData);
TANSY_EXPORT int WINAPI FsFindClose(HANDLE Hdl);
TANSY_EXPORT int WINAPI FsExecuteFile(HWND MainWin, char* RemoteName, char* Verb);

// The Unicode forms, which current hosts call where the library has them:
// names and paths in UTF-16. FsFindClose serves both.
TANSY_EXPORT int WINAPI FsInitW(int PluginNr, tProgressProcW ProgressProc, tLogProcW LogProc,
                                tRequestProcW RequestProc);
TANSY_EXPORT void WINAPI FsStatusInfoW(WCHAR* RemoteDir, int InfoStartEnd, int InfoOperation);
TANSY_EXPORT HANDLE WINAPI FsFindFirstW(WCHAR* Path, WIN32_FIND_DATAW* FindData);
TANSY_EXPORT BOOL WINAPI FsFindNextW(HANDLE Hdl, WIN32_FIND_DATAW* FindData);
TANSY_EXPORT int WINAPI FsExecuteFileW(HWND MainWin, WCHAR* RemoteName, WCHAR* Verb);

// Run by the platform's load and unload hooks of the library.
void LibraryStartup(HINSTANCE module);
void LibraryShutdown();
