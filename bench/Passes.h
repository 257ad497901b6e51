// What the native and the Windows pass benchmarks time: the passes, made
// through the host's export driver as the file manager makes them, and the
// plain readings of the same file they are set against. Every pass answers
// with a number (entries listed, boxes shown, lines counted) that must be the
// same on every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ExportDriver.h"

namespace bench {

// genhotlist --tail-folder puts this folder last in the file.
constexpr const char* kTailFolder = "Last";

// The two hotlists of a size: genhotlist --tail-folder, and --all-nested.
enum class THotlist { Tail, Nested };

enum class TPassKind {
    Walk,        // list \Last of the tail hotlist: the walk passes over the whole file first
    Properties,  // "properties" on the first bookmark of \Last: the scan reads every block
    ListRoot,    // list \ of the nested hotlist: each FsFindNext reads through a whole folder
    WalkW,       // the same three through the Unicode exports
    PropertiesW,
    ListRootW,
    LineCount,   // the baseline: ReadFile, then each block's LFs counted sixteen bytes at a time with SSE2
    MemchrLines  // the baseline until the SSE2 count: ReadFile, then memchr from line to line
};

struct TPass {
    TPassKind Kind;
    const char* Name;   // for --only and --profile
    const char* Label;  // in the table
    double Goal;        // the greatest ratio of its median to the baseline's; none for a baseline
};

// The timed passes, in the order of the table, each with its hotlist.
struct TPassOnFile {
    TPass Pass;
    THotlist File;
};
inline constexpr TPassOnFile kTimedPasses[] = {
    {{TPassKind::Walk, "walk", "walk to the last folder", 1.2}, THotlist::Tail},
    {{TPassKind::Properties, "properties", "properties scan", 2.5}, THotlist::Tail},
    {{TPassKind::ListRoot, "list", "list \\ (all nested)", 1.3}, THotlist::Nested},
    {{TPassKind::WalkW, "walkw", "walk, Unicode", 1.2}, THotlist::Tail},
    {{TPassKind::PropertiesW, "propertiesw", "properties, Unicode", 2.5}, THotlist::Tail},
    {{TPassKind::ListRootW, "listw", "list \\, Unicode", 1.3}, THotlist::Nested}};
inline constexpr TPass kBaseline = {TPassKind::LineCount, "baseline", "ReadFile + SSE2 line count", 0};
inline constexpr TPass kMemchrBaseline = {TPassKind::MemchrLines, "memchr", "ReadFile + memchr per line", 0};

// What the passes over one hotlist work with.
struct TPassTarget {
    const host::DrivenLibrary* Library = nullptr;  // reading the hotlist of `File`
    std::string File;                              // the hotlist, as CreateFileA takes it
    std::string Bookmark;                          // what the properties scan asks for
    std::u16string BookmarkW;                      // the same through the Unicode exports
    std::vector<char> Block;                       // the plain readings' buffer, the library's size
};

// Entries of `folder` listed to the end through the ANSI exports (or with a
// UTF-16 path the Unicode ones); -1 when a call failed or the listing gave
// up. `firstBookmark`, when given, receives the first entry that is no folder.
int64_t ListedEntries(const host::DrivenLibrary& library, const std::string& folder,
                      std::string* firstBookmark = nullptr);
int64_t ListedEntries(const host::DrivenLibrary& library, const std::u16string& folder,
                      std::u16string* firstBookmark = nullptr);

TPassTarget TargetOf(const host::DrivenLibrary& library, const std::string& file);

// The path of the first bookmark of \Last, for the properties scans, into
// the target's Bookmark and BookmarkW; throws when the folder cannot be
// listed or holds none. `hotlistLabel` names the file in the message.
void FindTailBookmark(TPassTarget& target, const std::string& hotlistLabel);

// The pass's answer: entries, boxes or lines; -1 when a call failed.
int64_t RunPass(TPassKind kind, TPassTarget& target);

// The answer of a pass's first run; throws when it is none.
int64_t FirstAnswer(const char* label, int64_t answer);
// Throws unless a later run answered as the first.
void CheckAnswer(const char* label, int64_t answer, int64_t expected);

}  // namespace bench
