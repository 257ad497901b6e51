// Calls the plugin's exports the way the file manager does, for every program
// that drives the library: the tansy commands, the scenario runner, and the
// tests that link the library in-process. Each find-data record is filled with
// FindDataFill before a call, so that a record the library left alone shows as
// such; the last-error value is read right after each call.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "FindRecords.h"
#include "TANSY_WFX.h"

namespace host {

// The exports by name; a missing one is null. The Unicode forms take paths,
// verbs and names as UTF-16; FsFindClose serves listings of both forms.
struct PluginExports {
    decltype(&::FsInit) FsInit = nullptr;
    decltype(&::FsGetDefRootName) FsGetDefRootName = nullptr;
    decltype(&::FsStatusInfo) FsStatusInfo = nullptr;
    decltype(&::FsFindFirst) FsFindFirst = nullptr;
    decltype(&::FsFindNext) FsFindNext = nullptr;
    decltype(&::FsFindClose) FsFindClose = nullptr;
    decltype(&::FsExecuteFile) FsExecuteFile = nullptr;
    decltype(&::FsInitW) FsInitW = nullptr;
    decltype(&::FsStatusInfoW) FsStatusInfoW = nullptr;
    decltype(&::FsFindFirstW) FsFindFirstW = nullptr;
    decltype(&::FsFindNextW) FsFindNextW = nullptr;
    decltype(&::FsExecuteFileW) FsExecuteFileW = nullptr;
};

// The library's last-error value: the thread's on Windows, the library's own
// on POSIX. `set` is null where it cannot be reset (older POSIX builds).
struct LastErrorAccess {
    DWORD (*get)() = nullptr;
    void (*set)(DWORD code) = nullptr;
};

// A library as the driver reaches it.
struct DrivenLibrary {
    PluginExports fs;
    LastErrorAccess lastError;
};

// ---- Calls ------------------------------------------------------------------

// A listing gives up after this many FsFindNext calls that all answered "one
// more entry".
constexpr size_t MaxListingNexts = 100000;

enum class FindStep { First, Next, Close };

// One FsFindFirst, FsFindNext or FsFindClose (or a Unicode form) and what it
// answered.
template <typename Record>
struct BasicFindAnswer {
    FindStep step = FindStep::First;
    HANDLE handle = INVALID_HANDLE_VALUE;  // FsFindFirst's answer, the handle of the others
    long long result = 0;  // the handle as a number, FsFindNext's BOOL or FsFindClose's int
    bool found = false;    // FsFindFirst or FsFindNext answered "an entry"
    DWORD error = 0;       // the last-error value right after the call
    DWORD errorBefore = 0; // FsFindNext: the value right before it (reset to 0 where possible)
    Record record{};       // as the library left it (prefilled); zero for FsFindClose
};
using FindAnswer = BasicFindAnswer<WIN32_FIND_DATAA>;
using FindAnswerW = BasicFindAnswer<WIN32_FIND_DATAW>;

FindAnswer CallFindFirst(const DrivenLibrary& library, const std::string& path);
FindAnswer CallFindNext(const DrivenLibrary& library, HANDLE handle);
FindAnswerW CallFindFirstW(const DrivenLibrary& library, const std::u16string& path);
FindAnswerW CallFindNextW(const DrivenLibrary& library, HANDLE handle);
FindAnswer CallFindClose(const DrivenLibrary& library, HANDLE handle);

// FsFindNext answers a failure as "no more": only a last-error value that the
// call changed to something other than 0 tells them apart.
template <typename Record>
bool NextFailed(const BasicFindAnswer<Record>& answer)
{
    return !answer.found && answer.error != 0 && answer.error != answer.errorBefore;
}

template <typename Record>
struct BasicListingOptions {
    bool close = true;  // end with FsFindClose (a failed FsFindFirst never does)
    size_t maxNexts = MaxListingNexts;
    std::function<void(FindStep)> before;                         // before each call; may be empty
    std::function<void(const BasicFindAnswer<Record>&)> after;  // after each call; may be empty
};
using ListingOptions = BasicListingOptions<WIN32_FIND_DATAA>;
using ListingOptionsW = BasicListingOptions<WIN32_FIND_DATAW>;

// FsFindFirst, then FsFindNext until it answers "no more" (at most maxNexts
// times), then FsFindClose; the three exports must be present. True when the
// listing gave up: FsFindNext still answered "one more" after maxNexts calls.
// With a UTF-16 path, the same through FsFindFirstW and FsFindNextW.
bool ListFolder(const DrivenLibrary& library, const std::string& path, const ListingOptions& options);
bool ListFolder(const DrivenLibrary& library, const std::u16string& path, const ListingOptionsW& options);
// The same after a FsFindFirst (or FsFindFirstW) that found an entry and
// answered `handle`.
bool FinishListing(const DrivenLibrary& library, HANDLE handle, const ListingOptions& options);
bool FinishListing(const DrivenLibrary& library, HANDLE handle, const ListingOptionsW& options);

struct ExecuteAnswer {
    int result = 0;
    DWORD error = 0;  // the last-error value right after the call
};
ExecuteAnswer CallExecuteFile(const DrivenLibrary& library, HWND window, const std::string& path,
                              const std::string& verb);
ExecuteAnswer CallExecuteFileW(const DrivenLibrary& library, HWND window, const std::u16string& path,
                               const std::u16string& verb);

// FsInit (or FsInitW) with the file manager's three callbacks; a call of any
// of them runs `onCallback` (the library is never to call them).
int CallInit(const DrivenLibrary& library, int pluginNr, void (*onCallback)());
int CallInitW(const DrivenLibrary& library, int pluginNr, void (*onCallback)());

constexpr unsigned char RootNameFill = 0xEE;
constexpr size_t RootNameBuffer = 300;
// FsGetDefRootName into a buffer of RootNameBuffer bytes of RootNameFill: the
// bytes written, up to the first byte left as it was.
std::string CallGetDefRootName(const DrivenLibrary& library, int maxLen);

void CallStatusInfo(const DrivenLibrary& library, const std::string& path, int startEnd, int infoKind);
void CallStatusInfoW(const DrivenLibrary& library, const std::u16string& path, int startEnd, int infoKind);

}  // namespace host
