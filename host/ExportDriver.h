// Calls the plugin's exports the way the file manager does, for every program
// that drives the library: the tansy commands, the scenario runner, and the
// tests that link the library in-process. Each find-data record is filled with
// FindDataFill before a call, so that a record the library left alone shows as
// such; the last-error value is read right after each call.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "TANSY_WFX.h"

namespace host {

// The exports by name; a missing one is null.
struct PluginExports {
    decltype(&::FsInit) FsInit = nullptr;
    decltype(&::FsGetDefRootName) FsGetDefRootName = nullptr;
    decltype(&::FsStatusInfo) FsStatusInfo = nullptr;
    decltype(&::FsFindFirst) FsFindFirst = nullptr;
    decltype(&::FsFindNext) FsFindNext = nullptr;
    decltype(&::FsFindClose) FsFindClose = nullptr;
    decltype(&::FsExecuteFile) FsExecuteFile = nullptr;
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

// ---- Find-data records ------------------------------------------------------

constexpr unsigned char FindDataFill = 0xA5;
// A listing gives up after this many FsFindNext calls that all answered "one
// more entry".
constexpr size_t MaxListingNexts = 100000;

void PrefillFindData(WIN32_FIND_DATAA& record);
// Still all FindDataFill: the library claimed an entry but handed none over.
bool Untouched(const WIN32_FIND_DATAA& record);
// cFileName and cAlternateFileName lie one after the other, so a name that
// fills cFileName goes on in the alternate name. True when a zero ends the
// name inside the two; NameOf then gives the bytes before it, else all 274.
bool NameEndsInRecord(const WIN32_FIND_DATAA& record);
std::string NameOf(const WIN32_FIND_DATAA& record);
// The name ends inside the record and every byte after its zero is zero.
bool NameTailIsClean(const WIN32_FIND_DATAA& record);
// The record's fields in one line: "attr=16 size=0:3 created=0:1700000003
// accessed=0:0 written=0:0 reserved=0:0 name=..." with the name in Esc form.
std::string RecordFields(const WIN32_FIND_DATAA& record);

// Bytes as transcripts show them: 0x20..0x7E but "%" as they are, every other
// byte as %HH.
std::string Esc(const std::string& bytes);

// ---- Calls ------------------------------------------------------------------

enum class FindStep { First, Next, Close };

// One FsFindFirst, FsFindNext or FsFindClose and what it answered.
struct FindAnswer {
    FindStep step = FindStep::First;
    HANDLE handle = INVALID_HANDLE_VALUE;  // FsFindFirst's answer, the handle of the others
    long long result = 0;  // the handle as a number, FsFindNext's BOOL or FsFindClose's int
    bool found = false;    // FsFindFirst or FsFindNext answered "an entry"
    DWORD error = 0;       // the last-error value right after the call
    DWORD errorBefore = 0; // FsFindNext: the value right before it (reset to 0 where possible)
    WIN32_FIND_DATAA record{};  // as the library left it (prefilled); zero for FsFindClose
};

FindAnswer CallFindFirst(const DrivenLibrary& library, const std::string& path);
FindAnswer CallFindNext(const DrivenLibrary& library, HANDLE handle);
FindAnswer CallFindClose(const DrivenLibrary& library, HANDLE handle);

// FsFindNext answers a failure as "no more": only a last-error value that the
// call changed to something other than 0 tells them apart.
bool NextFailed(const FindAnswer& answer);

struct ListingOptions {
    bool close = true;  // end with FsFindClose (a failed FsFindFirst never does)
    size_t maxNexts = MaxListingNexts;
    std::function<void(FindStep)> before;          // before each call; may be empty
    std::function<void(const FindAnswer&)> after;  // after each call; may be empty
};

// FsFindFirst, then FsFindNext until it answers "no more" (at most maxNexts
// times), then FsFindClose; the three exports must be present. True when the
// listing gave up: FsFindNext still answered "one more" after maxNexts calls.
bool ListFolder(const DrivenLibrary& library, const std::string& path, const ListingOptions& options);
// The same after a FsFindFirst that found an entry and answered `handle`.
bool FinishListing(const DrivenLibrary& library, HANDLE handle, const ListingOptions& options);

struct ExecuteAnswer {
    int result = 0;
    DWORD error = 0;  // the last-error value right after the call
};
ExecuteAnswer CallExecuteFile(const DrivenLibrary& library, HWND window, const std::string& path,
                              const std::string& verb);

// FsInit with the file manager's three callbacks; a call of any of them runs
// `onCallback` (the library is never to call them).
int CallInit(const DrivenLibrary& library, int pluginNr, void (*onCallback)());

constexpr unsigned char RootNameFill = 0xEE;
constexpr size_t RootNameBuffer = 300;
// FsGetDefRootName into a buffer of RootNameBuffer bytes of RootNameFill: the
// bytes written, up to the first byte left as it was.
std::string CallGetDefRootName(const DrivenLibrary& library, int maxLen);

void CallStatusInfo(const DrivenLibrary& library, const std::string& path, int startEnd, int infoKind);

}  // namespace host
