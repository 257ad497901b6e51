// Types and constants of the file manager's file-system plugin interface.
#pragma once

#include "tansy_windows.h"

typedef int(WINAPI* tProgressProc)(int PluginNr, char* SourceName, char* TargetName, int PercentDone);
typedef void(WINAPI* tLogProc)(int PluginNr, int MsgType, char* LogString);
typedef BOOL(WINAPI* tRequestProc)(int PluginNr, int RequestType, char* CustomTitle, char* CustomText,
                                   char* ReturnedText, int MaxLen);

typedef int(WINAPI* tProgressProcW)(int PluginNr, WCHAR* SourceName, WCHAR* TargetName, int PercentDone);
typedef void(WINAPI* tLogProcW)(int PluginNr, int MsgType, WCHAR* LogString);
typedef BOOL(WINAPI* tRequestProcW)(int PluginNr, int RequestType, WCHAR* CustomTitle, WCHAR* CustomText,
                                    WCHAR* ReturnedText, int MaxLen);

// FsExecuteFile answers.
constexpr int FS_EXEC_OK = 0;
constexpr int FS_EXEC_ERROR = 1;
constexpr int FS_EXEC_YOURSELF = -1;
constexpr int FS_EXEC_SYMLINK = -2;

// FsStatusInfo notices.
constexpr int FS_STATUS_START = 0;
constexpr int FS_STATUS_END = 1;

// FsFindNext answers a Windows boolean with all bits set for "one more entry".
constexpr BOOL FS_FIND_MORE = -1;
constexpr BOOL FS_FIND_DONE = 0;
