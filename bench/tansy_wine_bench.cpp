// Times whole passes through the exports of the built Windows library, loaded
// as the host loads it and driven through the host's export driver, and sets
// each against plain readings of the same file (Passes.h): ReadFile in blocks
// of the library's buffer size, its lines counted with SSE2 (the baseline) and
// with the C runtime's memchr, msvcrt's (the earlier baseline). The passes are
// those of the native benchmark. Prints one table row per pass.
#include "Platform.h"  // <windows.h> first: psapi.h needs it

#include <psapi.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BatchTiming.h"
#include "Nesting.h"
#include "Passes.h"
#include "ResultTable.h"
#include "Session.h"

namespace {

using bench::TTimedPass;

const char* const kUsage =
    "usage: tansy_wine_bench [--repetitions=N] [--sample-ms=MS] [--only=PASS] [--no-nesting]\n"
    "                        BOOKMARKS TAIL NESTED [...]\n"
    "\n"
    "Loads the library beside this program (a private copy with a configuration naming each hotlist,\n"
    "its message boxes answered) and times, against ReadFile over the same file with its lines counted\n"
    "sixteen bytes at a time with SSE2 (the baseline) and with memchr line by line:\n"
    "  walk to the last folder   list \\Last of TAIL (genhotlist --tail-folder Last)\n"
    "  properties scan           \"properties\" on the first bookmark of \\Last in TAIL\n"
    "  list \\ (all nested)       list \\ of NESTED (genhotlist --all-nested)\n"
    "and the same three through the Unicode exports (FsFindFirstW, FsFindNextW, FsExecuteFileW).\n"
    "BOOKMARKS only labels the rows. Each repetition times a batch of passes and a batch of each\n"
    "plain reading, in turns, each batch lasting about MS of CPU time (default 1000: the process's\n"
    "CPU time advances in 10 ms steps under wine); the table gives the median of the repetitions\n"
    "(default 5) and their least and greatest value. Every pass must give the answer of its first\n"
    "run (entries listed, boxes shown, lines counted), or the program stops with status 1.\n"
    "--only=PASS runs one pass alone in the same batches, for a profiler, and prints its time and\n"
    "the library's load address: walk, properties, list, walkw, propertiesw, listw, or baseline or\n"
    "memchr (the plain readings of TAIL).\n"
    "Then, unless --no-nesting: TAIL of each size up to 10^5 walked whole depth first (each sub-folder\n"
    "listed inside its parent's listing, as a search walks a tree) against its folders listed one by\n"
    "one, and nests of 10 to 10,000 folders inside one another, written to the temporary folder.\n";

struct TOptions {
    int Repetitions = 5;
    int SampleMilliseconds = 1000;
    std::string Only;  // a pass to run alone, for a profiler: a TPass's Name
    bool Nesting = true;
};

// A pass's name for --only: a timed pass or a plain reading.
bool IsPassName(const std::string& name)
{
    for (const bench::TPassOnFile& timed : bench::kTimedPasses)
        if (name == timed.Pass.Name) return true;
    return name == bench::kBaseline.Name || name == bench::kMemchrBaseline.Name;
}

// ---------------------------------------------------------------------------
// The library, loaded for one hotlist.

std::unique_ptr<host::Session> OpenLibrary(const std::string& hotlist)
{
    auto session = std::make_unique<host::Session>();
    host::HostOptions options;
    options.hotlist = hotlist;
    std::string error;
    if (!host::OpenSession(options, *session, error)) throw std::runtime_error(error);
    const std::vector<std::string> missing = host::MissingExports(
        session->plugin.fs, {"FsInit", "FsFindFirst", "FsFindNext", "FsFindClose", "FsExecuteFile", "FsFindFirstW", "FsFindNextW",
                                "FsExecuteFileW"});
    if (!missing.empty()) throw std::runtime_error("the library does not export " + missing.front());
    host::CallInit(session->plugin, 0, nullptr);
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

// Where the library lies in memory, to map a profile's addresses to its symbols.
const void* LibraryBase(host::Session& session)
{
    MEMORY_BASIC_INFORMATION region = {};
    VirtualQuery(host::FindExport(session.library, "FsFindFirst"), &region, sizeof region);
    return region.AllocationBase;
}

// ---------------------------------------------------------------------------
// The runs.

struct TSize {
    uint64_t Bookmarks = 0;
    std::string Tail;  // UTF-8 paths, as given
    std::string Nested;
};

TTimedPass Timed(const bench::TPass& pass, bench::TPassTarget& target)
{
    return {pass.Label, [kind = pass.Kind, &target] { return bench::RunPass(kind, target); }};
}

// With --only: that pass alone, in batches, for a profiler to watch.
void RunAlone(TTimedPass pass, const TOptions& options, host::Session& session)
{
    bench::Prepare(pass, options.SampleMilliseconds);
    std::vector<double> ms;
    for (int repetition = 0; repetition < options.Repetitions; ++repetition) ms.push_back(bench::TimeBatch(pass));
    const bench::TRange range = bench::RangeOf(ms);
    std::printf("%s alone: %.2f ms per pass (%.2f–%.2f), batches of %d; library at %p\n", pass.Label, range.Median,
                range.Min, range.Max, pass.Batch, LibraryBase(session));
    std::fflush(stdout);
}

// Times `pass` against both plain readings and prints its row; with --only,
// runs the pass named there alone instead. False when the pass missed its goal.
bool TimeAndPrint(const std::string& size, const bench::TPass& pass, bench::TPassTarget& target,
                  const TOptions& options, host::Session& session, int64_t& answer)
{
    if (!options.Only.empty()) {
        if (options.Only == pass.Name) RunAlone(Timed(pass, target), options, session);
        return true;
    }
    TTimedPass timed = Timed(pass, target);
    TTimedPass baseline = Timed(bench::kBaseline, target);
    TTimedPass memchr = Timed(bench::kMemchrBaseline, target);
    for (TTimedPass* each : {&timed, &baseline, &memchr}) bench::Prepare(*each, options.SampleMilliseconds);
    bench::CheckAnswer(memchr.Label, memchr.Expected, baseline.Expected);
    const bench::TMeasured measured = bench::Measure(timed, baseline, memchr, options.Repetitions);
    const double megabytes = static_cast<double>(std::filesystem::file_size(session.hotlistFile)) / 1e6;
    std::printf("%s\n", bench::RowCells(size, megabytes, pass, measured).c_str());
    std::fflush(stdout);
    answer = timed.Expected;
    return bench::MeetsGoal(pass, measured);
}

// The passes of the tail hotlist, then those of the nested one, each against
// the plain readings of its own file. `boxes` receives the properties scan's
// answer.
void RunSize(const TSize& size, const TOptions& options, int64_t& boxes, bool& met)
{
    const std::string label = bench::SizeLabel(size.Bookmarks);
    for (const bench::THotlist file : {bench::THotlist::Tail, bench::THotlist::Nested}) {
        const std::unique_ptr<host::Session> session =
            OpenLibrary(file == bench::THotlist::Tail ? size.Tail : size.Nested);
        bench::TPassTarget target = bench::TargetOf(session->plugin, AnsiPathOf(*session));
        if (file == bench::THotlist::Tail) {
            bench::FindTailBookmark(target, session->hotlistLabel);
            for (const bench::TPass* reading : {&bench::kBaseline, &bench::kMemchrBaseline})
                if (options.Only == reading->Name) RunAlone(Timed(*reading, target), options, *session);
        }
        for (const bench::TPassOnFile& timed : bench::kTimedPasses) {
            if (timed.File != file) continue;
            int64_t answer = 0;
            met = TimeAndPrint(label, timed.Pass, target, options, *session, answer) && met;
            if (timed.Pass.Kind == bench::TPassKind::Properties) boxes = answer;
        }
    }
}

// ---------------------------------------------------------------------------
// Nesting: whole trees walked depth first as a search walks them, and nests
// of folders inside folders (written beside the system's temporary files).

constexpr unsigned kNestDepths[] = {10, 100, 1000, 10000};
// Trees up to this size are walked whole (some 260 listings each).
constexpr uint64_t kLargestWalkedTree = 100000;

double CpuSeconds()
{
    return static_cast<double>(bench::CpuTicks()) * 1e-7;
}

void RunNesting(const std::vector<TSize>& sizes)
{
    std::vector<bench::TTreeRow> trees;
    for (const TSize& size : sizes) {
        if (size.Bookmarks > kLargestWalkedTree) continue;
        const std::unique_ptr<host::Session> session = OpenLibrary(size.Tail);
        const bench::TTreeShape shape = bench::ShapeOfTree(session->plugin, bench::SizeLabel(size.Bookmarks));
        trees.push_back(bench::MeasureTree(session->plugin, shape, 5, &CpuSeconds));
    }
    std::vector<bench::TDeepestRow> deepest;
    for (const unsigned depth : kNestDepths) {
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() / ("tansy_nest_" + std::to_string(depth) + ".hotlist");
        bench::WriteNest(file, depth);
        {
            const std::unique_ptr<host::Session> session = OpenLibrary(host::Utf8FromPath(file));
            const bench::TTreeShape shape = bench::ShapeOfNest(session->plugin, depth);
            trees.push_back(bench::MeasureTree(session->plugin, shape, depth >= 1000 ? 1 : 5, &CpuSeconds));
            deepest.push_back(bench::MeasureDeepest(session->plugin, depth, 5, &CpuSeconds));
        }
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
    std::printf("\n%s\n", bench::kNestingText);
    bench::PrintTreeTable(trees);
    bench::PrintDeepestTable(deepest);
    std::fflush(stdout);
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
        if (argument == "--no-nesting") {
            options.Nesting = false;
            continue;
        }
        if (argument.rfind("--only=", 0) == 0) {
            options.Only = argument.substr(7);
            if (!IsPassName(options.Only))
                throw std::invalid_argument("--only wants walk, properties, list, walkw, propertiesw, listw, baseline or memchr, not " +
                                            options.Only);
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
    std::printf("%d-bit library %s, ANSI code page %u; CPU time of the process per pass (GetProcessTimes), "
                "median and range of %d repetitions, ",
                static_cast<int>(sizeof(void*) * 8), host::DefaultLibraryFileName().c_str(), GetACP(),
                options.Repetitions);
    if (!options.Only.empty()) {
        std::printf("each a batch of about %d ms of \"%s\" alone.\n\n", options.SampleMilliseconds,
                    options.Only.c_str());
        return;
    }
    std::printf("each a batch of about %d ms of passes and one of each plain reading. %s\n\n",
                options.SampleMilliseconds, bench::kBaselinesText);
    bench::PrintTableHead();
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
        if (options.Nesting) {
            RunNesting(sizes);
            std::printf("\nPeak working set after the nesting runs: %.1f MiB.\n", PeakWorkingSetMiB());
        }
        std::printf("\nThe properties scan shows %" PRId64 " box per pass. Peak working set of the process after "
                    "each size:",
                    boxes);
        for (size_t i = 0; i < sizes.size(); ++i)
            std::printf("%s %s %.1f MiB", i ? "," : "", bench::SizeLabel(sizes[i].Bookmarks).c_str(), peaks[i]);
        std::printf(".\n%s: %s\n", bench::GoalsText().c_str(), met ? "all met." : "some are NOT met.");
        return 0;
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "tansy_wine_bench: %s\n\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tansy_wine_bench: %s\n", e.what());
        return 1;
    }
}
