// Times whole passes through the exports of the built Windows library, loaded
// as the host loads it, and sets each against plain reading of the same file:
// ReadFile in blocks of the library's buffer size, lines counted with the C
// runtime's memchr (msvcrt's, as in the library). The passes are those of the
// native benchmark: a walk to the last folder, a listing of "\" with
// everything nested and a "properties" scan. Prints one table row per pass.
#include "Platform.h"  // <windows.h> first: psapi.h needs it

#include <psapi.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BatchTiming.h"
#include "BenchShared.h"
#include "Boxes.h"
#include "Session.h"
#include "TextFile.h"

namespace {

using bench::kTailFolder;
using bench::TResult;
using bench::TTimedPass;

const char* const kUsage =
    "usage: tansy_wine_bench [--repetitions=N] [--sample-ms=MS] [--only=PASS] BOOKMARKS TAIL NESTED [...]\n"
    "\n"
    "Loads the library beside this program (a private copy with a configuration naming each hotlist,\n"
    "its message boxes answered) and times, against ReadFile + memchr over the same file:\n"
    "  walk to the last folder   list \\Last of TAIL (genhotlist --tail-folder Last)\n"
    "  properties scan           \"properties\" on the first bookmark of \\Last in TAIL\n"
    "  list \\ (all nested)       list \\ of NESTED (genhotlist --all-nested)\n"
    "BOOKMARKS only labels the rows. Each repetition times a batch of passes and a batch of\n"
    "baseline reads, in turns, each batch lasting about MS of CPU time (default 1000: the process's\n"
    "CPU time advances in 10 ms steps under wine); the table gives the median of the repetitions\n"
    "(default 5) and their least and greatest value. Every pass must give the answer of its first\n"
    "run (entries listed, boxes shown, lines counted), or the program stops with status 1.\n"
    "--only=PASS runs one pass alone in the same batches, for a profiler, and prints its time and\n"
    "the library's load address: walk, properties, list, or baseline (the plain reading of TAIL).\n";

struct TOptions {
    int Repetitions = 5;
    int SampleMilliseconds = 1000;
    std::string Only;  // a pass to run alone, for a profiler: walk, properties, list or baseline
};

constexpr const char* kPassNames[] = {"walk", "properties", "list", "baseline"};

// ---------------------------------------------------------------------------
// The passes. Each returns its answer, the same on every run.

// Lists a folder to its end as the file manager does: the number of entries,
// 0 when FsFindFirst found none. `firstBookmark` receives the name of the
// first entry that is no folder.
int64_t ListFolder(host::Session& session, const std::string& folder, std::string* firstBookmark = nullptr)
{
    std::vector<char> path(folder.begin(), folder.end());
    path.push_back('\0');
    WIN32_FIND_DATAA record;
    const HANDLE handle = session.plugin.fs.FsFindFirst(path.data(), &record);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    int64_t entries = 0;
    do {
        ++entries;
        if (firstBookmark != nullptr && firstBookmark->empty() &&
            (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            *firstBookmark = std::string(record.cFileName, strnlen(record.cFileName, sizeof record.cFileName));
    } while (session.plugin.fs.FsFindNext(handle, &record));
    session.plugin.fs.FsFindClose(handle);
    return entries;
}

// Boxes shown for one "properties" request; -1 when the call failed.
int64_t PropertiesPass(host::Session& session, const std::string& remoteName, int64_t& boxes)
{
    std::vector<char> name(remoteName.begin(), remoteName.end());
    name.push_back('\0');
    char verb[] = "properties";
    boxes = 0;
    if (session.plugin.fs.FsExecuteFile(nullptr, name.data(), verb) != FS_EXEC_OK) return -1;
    return boxes;
}

// ---------------------------------------------------------------------------
// The library, loaded for one hotlist.

// The file manager's callbacks: the library never calls them.
int WINAPI NoProgress(int, char*, char*, int) { return 0; }
void WINAPI NoLog(int, int, char*) {}
BOOL WINAPI NoRequest(int, int, char*, char*, char*, int) { return FALSE; }

std::unique_ptr<host::Session> OpenLibrary(const std::string& hotlist)
{
    auto session = std::make_unique<host::Session>();
    host::HostOptions options;
    options.hotlist = hotlist;
    std::string error;
    if (!host::OpenSession(options, *session, error)) throw std::runtime_error(error);
    const std::vector<std::string> missing = host::MissingExports(
        session->plugin.fs, {"FsInit", "FsFindFirst", "FsFindNext", "FsFindClose", "FsExecuteFile"});
    if (!missing.empty()) throw std::runtime_error("the library does not export " + missing.front());
    session->plugin.fs.FsInit(0, &NoProgress, &NoLog, &NoRequest);
    return session;
}

// The hotlist's path as the library has it in its configuration.
std::string AnsiPathOf(const host::Session& session)
{
    std::string ansi;
    if (!host::AnsiFromPath(session.hotlistFile, ansi))
        throw std::runtime_error("no ANSI path for " + host::Utf8FromPath(session.hotlistFile));
    return ansi;
}

// ---------------------------------------------------------------------------
// The table.

double FileMegabytes(const std::filesystem::path& path)
{
    return static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

// Prints the row; false when the pass missed its goal.
bool PrintRow(const std::string& size, double megabytes, const TTimedPass& pass, const TResult& result)
{
    std::printf("| %s | %.1f | %s | %.2f | %.2f–%.2f | %.2f | %.2f | %.2f–%.2f | %.0f |\n", size.c_str(), megabytes,
                pass.Label, result.Pass.Median, result.Pass.Min, result.Pass.Max, result.Baseline.Median,
                result.Ratio.Median, result.Ratio.Min, result.Ratio.Max, megabytes / (result.Pass.Median / 1e3));
    std::fflush(stdout);
    return bench::WithinGoal(pass.Label, result.Ratio.Median);
}

struct TSize {
    uint64_t Bookmarks = 0;
    std::string Tail;    // UTF-8 paths, as given
    std::string Nested;
};

// Where the library lies in memory, to map a profile's addresses to its symbols.
const void* LibraryBase(host::Session& session)
{
    MEMORY_BASIC_INFORMATION region = {};
    VirtualQuery(host::FindExport(session.library, "FsFindFirst"), &region, sizeof region);
    return region.AllocationBase;
}

// With --only: that pass alone, in batches, for a profiler to watch.
void RunAlone(TTimedPass& pass, const TOptions& options, host::Session& session)
{
    bench::Prepare(pass, options.SampleMilliseconds);
    std::vector<double> ms;
    for (int repetition = 0; repetition < options.Repetitions; ++repetition) ms.push_back(bench::TimeBatch(pass));
    const bench::TRange range = bench::RangeOf(ms);
    std::printf("%s alone: %.2f ms per pass (%.2f–%.2f), batches of %d; library at %p\n", pass.Label, range.Median,
                range.Min, range.Max, pass.Batch, LibraryBase(session));
    std::fflush(stdout);
}

// Times `pass` against `baseline` and prints its row; with --only, runs the
// pass named there alone instead. False when the pass missed its goal.
bool RunPass(const std::string& size, double megabytes, const char* name, TTimedPass& pass, TTimedPass& baseline,
             const TOptions& options, host::Session& session)
{
    if (options.Only.empty()) {
        bench::Prepare(pass, options.SampleMilliseconds);
        bench::Prepare(baseline, options.SampleMilliseconds);
        return PrintRow(size, megabytes, pass, bench::Measure(pass, baseline, options.Repetitions));
    }
    if (options.Only == name) RunAlone(pass, options, session);
    return true;
}

// The walk and the properties scan of the tail hotlist, then the listing of
// the nested one, each against the plain reading of its own file.
void RunSize(const TSize& size, const TOptions& options, int64_t& boxes, bool& met)
{
    std::vector<char> buffer(kTextBufferSize);
    const std::string label = bench::SizeLabel(size.Bookmarks);
    host::SetMessageBoxListener([&boxes](const host::MessageBoxCall&) { ++boxes; });
    {
        const std::unique_ptr<host::Session> session = OpenLibrary(size.Tail);
        const std::filesystem::path file = session->hotlistFile;
        const std::string ansiPath = AnsiPathOf(*session);
        const std::string folder = std::string("\\") + kTailFolder;
        std::string first;
        if (ListFolder(*session, folder, &first) == 0)
            throw std::runtime_error("cannot list " + folder + " of " + session->hotlistLabel + ": error " +
                                     std::to_string(session->plugin.lastError.get()));
        if (first.empty()) throw std::runtime_error(folder + " of " + session->hotlistLabel + " holds no bookmark");
        const std::string remoteName = folder + "\\" + first;

        TTimedPass baseline{"baseline: ReadFile + memchr", [&] { return bench::BaselinePass(ansiPath.c_str(), buffer); }};
        TTimedPass walk{"walk to the last folder", [&] { return ListFolder(*session, folder); }};
        TTimedPass properties{"properties scan", [&] { return PropertiesPass(*session, remoteName, boxes); }};
        const double megabytes = FileMegabytes(file);
        if (options.Only == "baseline") RunAlone(baseline, options, *session);
        met = RunPass(label, megabytes, "walk", walk, baseline, options, *session) && met;
        met = RunPass(label, megabytes, "properties", properties, baseline, options, *session) && met;
    }
    const std::unique_ptr<host::Session> session = OpenLibrary(size.Nested);
    const std::filesystem::path file = session->hotlistFile;
    const std::string ansiPath = AnsiPathOf(*session);
    TTimedPass baseline{"baseline: ReadFile + memchr", [&] { return bench::BaselinePass(ansiPath.c_str(), buffer); }};
    TTimedPass listRoot{"list \\ (all nested)", [&] { return ListFolder(*session, "\\"); }};
    met = RunPass(label, FileMegabytes(file), "list", listRoot, baseline, options, *session) && met;
}

// The most memory the process has had in use, in MiB.
double PeakWorkingSetMiB()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// ---------------------------------------------------------------------------
// The command line.

bool TakeNumber(const std::string& argument, const char* name, int& value)
{
    const std::string prefix = std::string(name) + "=";
    if (argument.rfind(prefix, 0) != 0) return false;
    const std::string text = argument.substr(prefix.size());
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < 1 || number > 100000)
        throw std::invalid_argument(std::string(name) + " wants a whole number from 1 to 100000, not " + text);
    value = static_cast<int>(number);
    return true;
}

uint64_t Bookmarks(const std::string& text)
{
    char* end = nullptr;
    const unsigned long long number = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number == 0)
        throw std::invalid_argument("BOOKMARKS must be a positive number, not " + text);
    return number;
}

// The options, and the sizes to run as BOOKMARKS TAIL NESTED triples; none
// when help is asked for.
std::vector<TSize> ParseArguments(const std::vector<std::string>& arguments, TOptions& options)
{
    std::vector<std::string> positional;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-h" || argument == "--help") return {};
        if (argument.rfind("--only=", 0) == 0) {
            options.Only = argument.substr(7);
            if (std::find(std::begin(kPassNames), std::end(kPassNames), options.Only) == std::end(kPassNames))
                throw std::invalid_argument("--only wants walk, properties, list or baseline, not " + options.Only);
            continue;
        }
        if (TakeNumber(argument, "--repetitions", options.Repetitions) ||
            TakeNumber(argument, "--sample-ms", options.SampleMilliseconds))
            continue;
        if (argument.rfind("--", 0) == 0) throw std::invalid_argument("unknown option " + argument);
        positional.push_back(argument);
    }
    if (positional.empty() || positional.size() % 3 != 0)
        throw std::invalid_argument("BOOKMARKS TAIL NESTED wanted, one triple a size");
    std::vector<TSize> sizes;
    for (size_t i = 0; i < positional.size(); i += 3) {
        for (size_t file = i + 1; file <= i + 2; ++file) {
            std::error_code failed;
            if (!std::filesystem::is_regular_file(host::PathFromUtf8(positional[file]), failed))
                throw std::runtime_error("no hotlist file " + positional[file]);
        }
        sizes.push_back({Bookmarks(positional[i]), positional[i + 1], positional[i + 2]});
    }
    return sizes;
}

void PrintHeading(const TOptions& options)
{
    std::printf("%d-bit library %s, ANSI code page %u; blocks of %u KiB; CPU time of the process per pass "
                "(GetProcessTimes), median and range of %d repetitions, ",
                static_cast<int>(sizeof(void*) * 8), host::DefaultLibraryFileName().c_str(), GetACP(),
                static_cast<unsigned>(kTextBufferSize / 1024), options.Repetitions);
    if (!options.Only.empty()) {
        std::printf("each a batch of about %d ms of \"%s\" alone.\n\n", options.SampleMilliseconds,
                    options.Only.c_str());
        return;
    }
    std::printf("each a batch of about %d ms of passes and one of plain readings, in turns.\n\n",
                options.SampleMilliseconds);
    std::printf("| Bookmarks | File MB | Pass | ms per pass | min–max | Baseline ms | x baseline | min–max | MB/s |\n");
    std::printf("|---|---:|---|---:|---:|---:|---:|---:|---:|\n");
}

}  // namespace

int main(int argc, char** argv)
{
    host::PrepareConsole();
    try {
        TOptions options;
        const std::vector<TSize> sizes = ParseArguments(host::CommandLineArguments(argc, argv), options);
        if (sizes.empty()) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        PrintHeading(options);
        int64_t boxes = 0;
        bool met = true;
        std::vector<double> peaks;
        for (const TSize& size : sizes) {
            RunSize(size, options, boxes, met);
            peaks.push_back(PeakWorkingSetMiB());
        }
        if (!options.Only.empty()) return 0;
        std::printf("\nThe properties scan shows %" PRId64 " box per pass. Peak working set of the process after "
                    "each size:",
                    boxes);
        for (size_t i = 0; i < sizes.size(); ++i)
            std::printf("%s %s %.1f MiB", i ? "," : "", bench::SizeLabel(sizes[i].Bookmarks).c_str(), peaks[i]);
        std::printf(".\n%s: %s\n", bench::kGoalsText, met ? "all met." : "some are NOT met.");
        return 0;
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "tansy_wine_bench: %s\n\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tansy_wine_bench: %s\n", e.what());
        return 1;
    }
}
