// The library linked into the test program, driven through the host's export
// driver the way the file manager drives it, with every answer recorded as
// text so that two runs can be compared call for call. Used by the fault
// sweep, the hostile-input tests and the fuzz targets; it needs no test
// framework.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "ExportDriver.h"

// One export call and its answer: "first \News = 0 <entry>", "next = 0 error=30".
struct CallAnswer {
    CallAnswer() = default;
    CallAnswer(std::string text) : Text(std::move(text)) {}

    std::string Text;
    long long Result = 0;      // what the export returned
    DWORD Error = 0;           // the last-error value after a failed call, else 0
    bool HasEntry = false;     // the call handed over a sound record
    bool IsFolder = false;     // ... of a folder
    std::string Name;          // ... whose name is this (bytes; UTF-8 through the Unicode exports)
    bool operator==(const CallAnswer&) const = default;
};
using Transcript = std::vector<CallAnswer>;

// Which exports a call goes through: the ANSI ones, whose paths and names are
// bytes in the code page, or the Unicode ones, whose paths and names these
// helpers take and give as UTF-8 (Utf8FromUtf16's form).
enum class Interface { Ansi, Unicode };

// The linked exports, and the library's own last-error value.
const host::DrivenLibrary& LinkedLibrary();

// Makes the in-process library read `path` (as its .ini would) and routes
// its message boxes into the record that TakeBoxes empties.
void UseHotlist(const std::string& path);

// Called whenever the library shows a box (before it is recorded).
void ObserveBoxes(void (*observer)(void* context), void* context);

// Boxes shown since the last call, as "box STYLE none|owned caption|text"
// ("boxw ..." for a Unicode box) with bytes escaped.
std::vector<std::string> TakeBoxes();

// Called after every export call with the transcript so far.
using AfterCall = void (*)(const Transcript& sofar, void* context);

// FsFindFirst, FsFindNext until it answers 0 (at most `maxEntries` times),
// then FsFindClose unless `close` is false; stops after a failed FsFindFirst.
// A successful call whose record does not end its name inside itself is
// recorded as "unterminated", one the library left alone as "untouched".
// Through the Unicode interface, FsFindFirstW and FsFindNextW.
Transcript ListFolder(Interface form, const std::string& path, bool close = true, AfterCall after = nullptr,
                      void* context = nullptr, size_t maxEntries = host::MaxListingNexts);
inline Transcript ListFolder(const std::string& path, bool close = true, AfterCall after = nullptr,
                             void* context = nullptr, size_t maxEntries = host::MaxListingNexts)
{
    return ListFolder(Interface::Ansi, path, close, after, context, maxEntries);
}

// FsExecuteFile (or FsExecuteFileW) with `verb` on `path`; its answer, then
// one line per box.
Transcript Execute(Interface form, const std::string& path, const std::string& verb = "properties");
inline Transcript Execute(const std::string& path, const std::string& verb = "properties")
{
    return Execute(Interface::Ansi, path, verb);
}

// The transcript as text, one call per line.
std::string Joined(const Transcript& transcript);

// Every folder path of the tree below "\" (the root first), found by listing.
std::vector<std::string> AllFolders(Interface form = Interface::Ansi);
