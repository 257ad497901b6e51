#include "Nesting.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "FindRecords.h"
#include "Passes.h"

namespace bench {

namespace {

bool IsFolder(const WIN32_FIND_DATAA& record)
{
    return (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// One open listing of the walk; its path is the first `Length` bytes of the
// walk's path.
struct TOpenLevel {
    HANDLE Handle;
    size_t Length;
};

}  // namespace

TTreeWalk WalkWholeTree(const host::DrivenLibrary& library, std::vector<std::string>* folders)
{
    TTreeWalk walk;
    std::string path = "\\";
    if (folders != nullptr) folders->push_back(path);
    std::vector<TOpenLevel> levels;
    host::FindAnswer answer = host::CallFindFirst(library, path);
    if (answer.found) levels.push_back({answer.handle, path.size()});
    while (!levels.empty()) {
        walk.Deepest = std::max(walk.Deepest, levels.size());
        if (answer.found) {
            ++walk.Entries;
            const std::string name = host::NameOf(answer.record);
            // A folder without a name has its parent's path: it is not entered.
            if (IsFolder(answer.record) && !name.empty()) {
                path += (path.back() == '\\' ? "" : "\\") + name;
                if (folders != nullptr) folders->push_back(path);
                answer = host::CallFindFirst(library, path);
                if (answer.found) {
                    levels.push_back({answer.handle, path.size()});
                    continue;
                }
                walk.Failures += answer.error != ERROR_NO_MORE_FILES;
                path.resize(levels.back().Length);
            }
        }
        answer = host::CallFindNext(library, levels.back().Handle);
        if (answer.found) continue;
        walk.Failures += host::NextFailed(answer);
        host::CallFindClose(library, levels.back().Handle);
        levels.pop_back();
        if (!levels.empty()) path.resize(levels.back().Length);
    }
    return walk;
}

int64_t ListEachAlone(const host::DrivenLibrary& library, const std::vector<std::string>& folders)
{
    int64_t entries = 0;
    for (const std::string& folder : folders) {
        const int64_t listed = ListedEntries(library, folder);
        if (listed < 0) return -1;
        entries += listed;
    }
    return entries;
}

void WriteNest(const std::filesystem::path& file, unsigned depth)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "Hotlist version 2.0\nOptions: encoding = utf8, version=3\n\n";
    for (unsigned level = 1; level <= depth; ++level)
        out << "#FOLDER\n\tID=" << level << "\n\tNAME=F\n\tCREATED=1700000000\n\n";
    out << "#URL\n\tID=" << depth + 1 << "\n\tNAME=Bottom\n\tURL=https://example.com/\n\n";
    for (unsigned level = 1; level <= depth; ++level) out << "-\n\n";
    if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

std::string DeepestFolder(unsigned depth)
{
    std::string path;
    for (unsigned level = 0; level < depth; ++level) path += "\\F";
    return path.empty() ? "\\" : path;
}

int64_t ListDeepest(const host::DrivenLibrary& library, unsigned depth, bool unicode)
{
    const std::string path = DeepestFolder(depth);
    return unicode ? ListedEntries(library, std::u16string(path.begin(), path.end())) : ListedEntries(library, path);
}

TRange TimeRuns(const std::function<int64_t()>& run, int64_t expected, int repetitions, double sampleSeconds,
                TCpuClock clock)
{
    std::vector<double> ms;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        int runs = 0;
        const double start = clock();
        double took = 0;
        do {
            const int64_t answer = run();
            if (expected == kFirstAnswer) expected = FirstAnswer("a nesting pass", answer);
            CheckAnswer("a nesting pass", answer, expected);
            ++runs;
            took = clock() - start;
        } while (took < sampleSeconds);
        ms.push_back(took * 1e3 / runs);
    }
    return RangeOf(ms);
}

TTreeRow MeasureTree(const host::DrivenLibrary& library, const TTreeShape& shape, int repetitions, TCpuClock clock)
{
    TTreeRow row;
    row.Hotlist = shape.Label;
    row.Folders = shape.Folders;
    const auto walk = [&library, &row] {
        row.Walk = WalkWholeTree(library);
        return row.Walk.Entries;
    };
    row.WalkMs = TimeRuns(walk, kFirstAnswer, repetitions, 0.3, clock);
    row.AloneMs = TimeRuns(shape.ListAlone, kFirstAnswer, repetitions, 0.3, clock);
    return row;
}

TTreeShape ShapeOfTree(const host::DrivenLibrary& library, const std::string& label)
{
    auto folders = std::make_shared<std::vector<std::string>>();
    WalkWholeTree(library, folders.get());
    return {label, folders->size(), [&library, folders] { return ListEachAlone(library, *folders); }};
}

TTreeShape ShapeOfNest(const host::DrivenLibrary& library, unsigned depth)
{
    const auto each = [&library, depth] {
        int64_t entries = 0;
        for (unsigned level = 0; level <= depth; ++level) {
            const int64_t listed = ListDeepest(library, level, false);
            if (listed < 0) return listed;
            entries += listed;
        }
        return entries;
    };
    return {"nest of " + std::to_string(depth), depth + 1u, each};
}

TDeepestRow MeasureDeepest(const host::DrivenLibrary& library, unsigned depth, int repetitions, TCpuClock clock)
{
    TDeepestRow row;
    row.Depth = depth;
    for (const bool unicode : {false, true}) {
        const auto list = [&library, depth, unicode] { return ListDeepest(library, depth, unicode); };
        (unicode ? row.UnicodeMs : row.AnsiMs) = TimeRuns(list, 1, repetitions, 0.2, clock);
    }
    return row;
}

namespace {

std::string Range(const TRange& range, const char* format)
{
    char text[96];
    std::snprintf(text, sizeof text, format, range.Median, range.Min, range.Max);
    return text;
}

}  // namespace

const char* const kNestingText =
    "Whole trees walked depth first, each sub-folder listed inside its parent's listing as a search or a size "
    "count walks them, against the same folders each listed alone one after the other (\"x alone\"); the nests "
    "hold folders named F inside one another down to one bookmark. Then each nest's deepest folder listed "
    "alone through either interface.";

void PrintTreeTable(const std::vector<TTreeRow>& rows)
{
    std::printf("\n| Hotlist | Folders | Entries | Open at once | Walk ms | min–max | Folders alone ms | min–max | "
                "x alone | Failed listings | Peak heap growth |\n|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const TTreeRow& row : rows) {
        const std::string heap = row.HeapGrowth < 0 ? "-" : std::to_string(row.HeapGrowth / 1024) + " KiB";
        std::printf("| %s | %zu | %" PRId64 " | %zu | %s | %s | %.2f | %s |\n", row.Hotlist.c_str(), row.Folders,
                    row.Walk.Entries, row.Walk.Deepest, Range(row.WalkMs, "%.2f | %.2f–%.2f").c_str(),
                    Range(row.AloneMs, "%.2f | %.2f–%.2f").c_str(), row.WalkMs.Median / row.AloneMs.Median,
                    (std::to_string(row.Walk.Failures) + " | " + heap).c_str());
    }
}

void PrintDeepestTable(const std::vector<TDeepestRow>& rows)
{
    std::printf("\n| Depth | ANSI ms | min–max | µs a level | Unicode ms | min–max | µs a level |\n"
                "|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const TDeepestRow& row : rows)
        std::printf("| %u | %s | %.3f | %s | %.3f |\n", row.Depth, Range(row.AnsiMs, "%.3f | %.3f–%.3f").c_str(),
                    row.AnsiMs.Median * 1e3 / row.Depth, Range(row.UnicodeMs, "%.3f | %.3f–%.3f").c_str(),
                    row.UnicodeMs.Median * 1e3 / row.Depth);
}

}  // namespace bench
