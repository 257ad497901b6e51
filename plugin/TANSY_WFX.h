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

// Run by the platform's load and unload hooks of the library.
void LibraryStartup(HINSTANCE module);
void LibraryShutdown();
