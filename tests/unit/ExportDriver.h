// Drives the listing and execute exports in-process the way the file manager
// does, and records every answer as text, so that two runs can be compared
// call for call. Used by the fault sweep, the hostile-input tests and the
// fuzz targets; it needs no test framework.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "tansy_windows.h"

// One export call and its answer: "first \News = 0 <entry>", "next = 0 error=30".
struct CallAnswer {
    CallAnswer() = default;
    CallAnswer(std::string text) : Text(std::move(text)) {}

    std::string Text;
    long long Result = 0;      // what the export returned
    DWORD Error = 0;           // the last-error value after a failed call, else 0
    bool HasEntry = false;     // the call handed over a sound record
    bool IsFolder = false;     // ... of a folder
    std::string Name;          // ... whose name bytes are these
    bool operator==(const CallAnswer&) const = default;
};
using Transcript = std::vector<CallAnswer>;

// Makes the in-process library read `path` (as its .ini would) and routes
// its message boxes into the driver's record.
void UseHotlist(const std::string& path);

// Called whenever the library shows a box (before it is recorded).
void ObserveBoxes(void (*observer)(void* context), void* context);

// Boxes shown since the last call, as "style caption|text" with bytes escaped.
std::vector<std::string> TakeBoxes();

// The record's fields in one line; `name` up to its zero, escaped.
std::string DescribeRecord(const WIN32_FIND_DATAA& record);

// True when the record's name ends with a zero inside cFileName or
// cAlternateFileName: a host never reads past the record for it.
bool NameEndsInRecord(const WIN32_FIND_DATAA& record);

// Called after every export call with the transcript so far.
using AfterCall = void (*)(const Transcript& sofar, void* context);

// FsFindFirst, FsFindNext until it answers 0 (at most `maxEntries` times),
// then FsFindClose unless `close` is false; stops after a failed FsFindFirst.
// A successful call whose record does not end its name inside itself is
// recorded as "unterminated".
Transcript ListFolder(const std::string& path, bool close = true, AfterCall after = nullptr,
                      void* context = nullptr, size_t maxEntries = 100000);

// FsExecuteFile with `verb` on `path`; its answer, then one line per box.
Transcript Execute(const std::string& path, const char* verb = "properties");

// The transcript as text, one call per line.
std::string Joined(const Transcript& transcript);

// Every folder path of the tree below "\" (the root first), found by listing.
std::vector<std::string> AllFolders();
