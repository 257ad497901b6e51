// The exports of the POSIX library linked into the program itself (the
// in-process tests and the native benchmark), as the export driver reaches
// them: the library keeps its own last-error value.
#pragma once

#include "ExportDriver.h"
#include "tansy_harness.h"

namespace host {

inline constexpr DrivenLibrary kLinkedExports = {
    {&FsInit, &FsGetDefRootName, &FsStatusInfo, &FsFindFirst, &FsFindNext, &FsFindClose, &FsExecuteFile,
     &FsInitW, &FsStatusInfoW, &FsFindFirstW, &FsFindNextW, &FsExecuteFileW},
    {&TansyGetLastError, &TansySetLastError}};

}  // namespace host
