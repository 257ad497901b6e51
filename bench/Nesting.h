// What the nesting benchmarks time: a whole tree walked depth first, the way
// a file manager's search or size count walks it (each sub-folder listed
// inside its parent's listing), set against the same folders each listed
// alone; and nests of folders inside folders.
#pragma once

#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ExportDriver.h"
#include "ResultTable.h"

namespace bench {

struct TTreeWalk {
    int64_t Entries = 0;   // entries listed, folders included
    int64_t Failures = 0;  // listings that ended in a failure (a given-up listing among them)
    size_t Deepest = 0;    // listings open at once, at most
};

// Walks the tree below "\" depth first through the ANSI exports. `folders`,
// when given, receives every folder's path, "\" first.
TTreeWalk WalkWholeTree(const host::DrivenLibrary& library, std::vector<std::string>* folders = nullptr);

// Lists each of `folders` alone, one after the other: the entries listed, or
// -1 when a listing failed.
int64_t ListEachAlone(const host::DrivenLibrary& library, const std::vector<std::string>& folders);

// Writes a hotlist of `depth` folders named "F", each inside the one before,
// with one bookmark at the bottom.
void WriteNest(const std::filesystem::path& file, unsigned depth);
// The path of the nest's deepest folder, "\F\F...\F".
std::string DeepestFolder(unsigned depth);

// Entries of the nest's deepest folder listed alone through the ANSI or the
// Unicode exports: 1 (the bookmark), or -1 when the listing failed.
int64_t ListDeepest(const host::DrivenLibrary& library, unsigned depth, bool unicode);

// ---- Timing and the tables --------------------------------------------------

// The process's CPU time in seconds, as each benchmark program reads it.
using TCpuClock = double (*)();

// For TimeRuns: every run must answer as the first.
constexpr int64_t kFirstAnswer = INT64_MIN;

// CPU milliseconds per run of `run`, over `repetitions` samples of at least
// `sampleSeconds` each (wine's CPU time moves in 10 ms steps); throws when a
// run answers other than `expected` (or kFirstAnswer: the first run), or
// gives no answer.
TRange TimeRuns(const std::function<int64_t()>& run, int64_t expected, int repetitions, double sampleSeconds,
                TCpuClock clock);

// A whole tree walked depth first against its folders listed alone.
struct TTreeRow {
    std::string Hotlist;     // its label
    size_t Folders = 0;      // "\" included
    TTreeWalk Walk;
    TRange WalkMs;
    TRange AloneMs;          // every folder listed alone, one after the other
    int64_t HeapGrowth = -1; // the walk's peak heap growth in bytes; -1 where not counted
};

// A tree to walk: its label, its folders ("\\" included), and how to list
// each of them alone, one after the other.
struct TTreeShape {
    std::string Label;
    size_t Folders = 0;
    std::function<int64_t()> ListAlone;
};

// The folders of the library's hotlist, found by a walk, each to list by path.
TTreeShape ShapeOfTree(const host::DrivenLibrary& library, const std::string& label);
// The folders of a nest (WriteNest) of `depth`, each to list by its depth.
TTreeShape ShapeOfNest(const host::DrivenLibrary& library, unsigned depth);

TTreeRow MeasureTree(const host::DrivenLibrary& library, const TTreeShape& shape, int repetitions, TCpuClock clock);

// A nest's deepest folder listed alone through either interface.
struct TDeepestRow {
    unsigned Depth = 0;
    TRange AnsiMs;
    TRange UnicodeMs;
};

TDeepestRow MeasureDeepest(const host::DrivenLibrary& library, unsigned depth, int repetitions, TCpuClock clock);

// What the two nesting tables show, for the text above them.
extern const char* const kNestingText;

void PrintTreeTable(const std::vector<TTreeRow>& rows);
void PrintDeepestTable(const std::vector<TDeepestRow>& rows);

}  // namespace bench
