// Times whole passes over big hotlists through the library's exports, linked
// in and driven through the host's export driver, and sets them against plain
// readings of the same file (Passes.h). Prints a table of times, ratios to the
// plain readings, throughput and heap growth.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Boxes.h"
#include "CodePageControl.h"
#include "LinkedExports.h"
#include "Nesting.h"
#include "Passes.h"
#include "ResultTable.h"
#include "ScanState.h"
#include "TextFile.h"
#include "Utf8.h"

// ---------------------------------------------------------------------------
// Heap accounting: every operator new and delete of the process (the library
// is linked in) goes through these, so a pass's growth is the peak of live
// bytes during it less the live bytes before it.

namespace {

struct HeapCount {
    size_t Live = 0;
    size_t Peak = 0;
    uint64_t Allocations = 0;
};
constinit HeapCount gHeap;

void* Counted(void* block)
{
    if (block != nullptr) {
        gHeap.Live += malloc_usable_size(block);
        if (gHeap.Live > gHeap.Peak) gHeap.Peak = gHeap.Live;
        ++gHeap.Allocations;
    }
    return block;
}

// Out of line, so that the compiler does not pair a visible free() with new.
[[gnu::noinline]] void Release(void* block) noexcept
{
    if (block == nullptr) return;
    gHeap.Live -= malloc_usable_size(block);
    std::free(block);
}

void* Allocate(size_t size)
{
    return Counted(std::malloc(size != 0 ? size : 1));
}

void* AllocateAligned(size_t size, std::align_val_t alignment)
{
    void* block = nullptr;
    const size_t align = std::max(static_cast<size_t>(alignment), sizeof(void*));
    if (posix_memalign(&block, align, size != 0 ? size : 1) != 0) return nullptr;
    return Counted(block);
}

}  // namespace

void* operator new(size_t size)
{
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new(size_t size, std::align_val_t alignment)
{
    if (void* block = AllocateAligned(size, alignment)) return block;
    throw std::bad_alloc();
}
void* operator new[](size_t size, std::align_val_t alignment)
{
    return operator new(size, alignment);
}
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, size_t) noexcept { Release(block); }
void operator delete[](void* block, size_t) noexcept { Release(block); }
void operator delete(void* block, std::align_val_t) noexcept { Release(block); }
void operator delete[](void* block, std::align_val_t) noexcept { Release(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { Release(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { Release(block); }

namespace {

// ---------------------------------------------------------------------------
// The hotlists.

using bench::kTailFolder;
using bench::kTimedPasses;
using bench::THotlist;
constexpr unsigned kDepth = 3;
constexpr unsigned kFanout = 6;
constexpr unsigned kSeed = 7;

std::string HotlistPath(uint64_t bookmarks, THotlist kind)
{
    return std::string(TANSY_BENCH_DATA_DIR) + "/" + (kind == THotlist::Tail ? "tail_" : "nested_") +
           std::to_string(bookmarks) + ".hotlist";
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Writes the hotlist unless an up-to-date one is there: the generator gives
// the same bytes for the same options.
void Generate(uint64_t bookmarks, THotlist kind)
{
    namespace fs = std::filesystem;
    const std::string path = HotlistPath(bookmarks, kind);
    std::error_code error;
    if (fs::exists(path, error) &&
        fs::last_write_time(path, error) >= fs::last_write_time(TANSY_GENHOTLIST, error))
        return;
    fs::create_directories(TANSY_BENCH_DATA_DIR);
    const std::string part = path + ".part";
    std::string command =
        Quoted(TANSY_GENHOTLIST) + " --bookmarks " + std::to_string(bookmarks) + " --depth " + std::to_string(kDepth) +
        " --fanout " + std::to_string(kFanout) + " --seed " + std::to_string(kSeed) +
        (kind == THotlist::Tail ? std::string(" --tail-folder ") + kTailFolder : " --all-nested") + " --output " +
        Quoted(part);
    std::fprintf(stderr, "generating %s\n", path.c_str());
    if (std::system(command.c_str()) != 0) throw std::runtime_error("genhotlist failed: " + command);
    fs::rename(part, path);
}

// ---------------------------------------------------------------------------
// The passes of one size.

constexpr size_t kPassCount = sizeof kTimedPasses / sizeof kTimedPasses[0];

struct TSizeSetup {
    uint64_t Bookmarks = 0;
    std::string Bookmark;               // what the properties scan asks for
    std::u16string BookmarkW;           // the same through the Unicode exports
    int64_t Expected[kPassCount] = {};  // each pass's answer, checked on every run
    int64_t Lines[2] = {};              // the plain readings' answer, by THotlist
};

// Points the linked library at the hotlist `path`, and its boxes of both
// forms at the host's listener.
void PointAt(const std::string& path)
{
    HotlistFileName = TextToShort(path);
    TansySetMessageBoxHook(&host::OnMessageBox);
    TansySetMessageBoxHookW(&host::OnMessageBoxW);
}

// Points the linked library at the size's hotlist of `file` and gives the
// passes over it what they work with.
bench::TPassTarget UseHotlist(const TSizeSetup& setup, THotlist file)
{
    const std::string path = HotlistPath(setup.Bookmarks, file);
    PointAt(path);
    bench::TPassTarget target = bench::TargetOf(host::kLinkedExports, path);
    target.Bookmark = setup.Bookmark;
    target.BookmarkW = setup.BookmarkW;
    return target;
}

// ---------------------------------------------------------------------------
// Work done in a child process, so that the benchmark process itself starts
// every measured pass from the same state (cold library buffers included).

template <class Work>
std::string InChild(Work work)
{
    int ends[2];
    if (pipe(ends) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (child == 0) {
        close(ends[0]);
        int status = 0;
        try {
            const std::string answer = work();
            size_t done = 0;
            while (done < answer.size()) {
                const ssize_t n = write(ends[1], answer.data() + done, answer.size() - done);
                if (n <= 0) break;
                done += static_cast<size_t>(n);
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            status = 1;
        }
        close(ends[1]);
        _exit(status);
    }
    close(ends[1]);
    std::string answer;
    char chunk[4096];
    ssize_t n;
    while ((n = read(ends[0], chunk, sizeof chunk)) > 0) answer.append(chunk, static_cast<size_t>(n));
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("a setup step failed");
    return answer;
}

// The bookmark the properties scan asks for, then for each hotlist the plain
// readings' answer and its passes' answers, a line each.
std::string FirstAnswers(TSizeSetup setup)
{
    std::string answers;
    for (const THotlist file : {THotlist::Tail, THotlist::Nested}) {
        bench::TPassTarget target = UseHotlist(setup, file);
        if (file == THotlist::Tail) {
            bench::FindTailBookmark(target, target.File);
            setup.Bookmark = target.Bookmark;
            setup.BookmarkW = target.BookmarkW;
            answers = setup.Bookmark + "\n" + host::Utf8FromUtf16(setup.BookmarkW);
        }
        const auto first = [&target](const bench::TPass& pass) {
            return bench::FirstAnswer(pass.Label, bench::RunPass(pass.Kind, target));
        };
        const int64_t lines = first(bench::kBaseline);
        bench::CheckAnswer(bench::kMemchrBaseline.Label, first(bench::kMemchrBaseline), lines);
        answers += "\n" + std::to_string(lines);
        for (const bench::TPassOnFile& timed : kTimedPasses)
            if (timed.File == file) answers += "\n" + std::to_string(first(timed.Pass));
    }
    return answers + "\n";
}

TSizeSetup Prepare(uint64_t bookmarks)
{
    TSizeSetup setup;
    setup.Bookmarks = bookmarks;
    std::istringstream answers(InChild([&] { return FirstAnswers(setup); }));
    std::string bookmarkW;
    std::getline(answers, setup.Bookmark);
    std::getline(answers, bookmarkW);
    setup.BookmarkW = host::Utf16FromUtf8(bookmarkW);
    for (const THotlist file : {THotlist::Tail, THotlist::Nested}) {
        answers >> setup.Lines[static_cast<int>(file)];
        for (size_t pass = 0; pass < kPassCount; ++pass)
            if (kTimedPasses[pass].File == file) answers >> setup.Expected[pass];
    }
    if (!answers) throw std::runtime_error("no answers from the passes over " + bench::SizeLabel(bookmarks));
    return setup;
}

struct TMemory {
    uint64_t ColdGrowth = 0;   // peak live bytes of a first pass, less the bytes before it
    uint64_t WarmGrowth = 0;   // the same for the pass after it
    uint64_t WarmAllocations = 0;
};

TMemory MeasureMemory(size_t pass, const TSizeSetup& setup)
{
    const std::string answer = InChild([&] {
        bench::TPassTarget target = UseHotlist(setup, kTimedPasses[pass].File);
        const bench::TPassKind kind = kTimedPasses[pass].Pass.Kind;
        TMemory memory;
        size_t before = gHeap.Live;
        gHeap.Peak = before;
        bench::RunPass(kind, target);
        memory.ColdGrowth = gHeap.Peak - before;
        before = gHeap.Live;
        gHeap.Peak = before;
        const uint64_t allocations = gHeap.Allocations;
        bench::RunPass(kind, target);
        memory.WarmGrowth = gHeap.Peak - before;
        memory.WarmAllocations = gHeap.Allocations - allocations;
        char text[96];
        std::snprintf(text, sizeof text, "%" PRIu64 " %" PRIu64 " %" PRIu64, memory.ColdGrowth,
                      memory.WarmGrowth, memory.WarmAllocations);
        return std::string(text);
    });
    TMemory memory;
    if (std::sscanf(answer.c_str(), "%" SCNu64 " %" SCNu64 " %" SCNu64, &memory.ColdGrowth,
                    &memory.WarmGrowth, &memory.WarmAllocations) != 3)
        throw std::runtime_error("no memory figures from " + std::string(kTimedPasses[pass].Pass.Label));
    return memory;
}

// ---------------------------------------------------------------------------
// Timing and the table.

// CPU time of the process (user and system), in seconds: other work on the
// machine moves it far less than wall time.
double CpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string BenchmarkName(size_t pass, uint64_t bookmarks)
{
    return std::string(kTimedPasses[pass].Pass.Name) + "/" + std::to_string(bookmarks);
}

// Each iteration makes the pass and both plain readings of its file, each
// first in its turn, so that all meet the same conditions; the time reported
// is the pass's, and the counters carry the readings' times and the ratios.
void TimePass(benchmark::State& state, const TSizeSetup& setup, size_t pass, double bytes)
{
    const THotlist file = kTimedPasses[pass].File;
    bench::TPassTarget target = UseHotlist(setup, file);
    const bench::TPass* const turns[] = {&kTimedPasses[pass].Pass, &bench::kBaseline, &bench::kMemchrBaseline};
    const int64_t expected[] = {setup.Expected[pass], setup.Lines[static_cast<int>(file)],
                                setup.Lines[static_cast<int>(file)]};
    double seconds[3] = {};
    size_t first = 0;
    for (auto _ : state) {
        for (size_t turn = 0; turn < 3; ++turn) {
            const size_t which = (first + turn) % 3;
            const double start = CpuSeconds();
            const int64_t answer = bench::RunPass(turns[which]->Kind, target);
            const double took = CpuSeconds() - start;
            try {
                bench::CheckAnswer(turns[which]->Label, answer, expected[which]);
            } catch (const std::exception& e) {
                state.SkipWithError(e.what());
                return;
            }
            seconds[which] += took;
            if (which == 0) state.SetIterationTime(took);
        }
        first = (first + 1) % 3;
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["baseline_ms"] = seconds[1] * 1e3 / iterations;
    state.counters["x_baseline"] = seconds[0] / seconds[1];
    state.counters["memchr_ms"] = seconds[2] * 1e3 / iterations;
    state.counters["x_memchr"] = seconds[0] / seconds[2];
    state.SetBytesProcessed(static_cast<int64_t>(bytes * iterations));
}

// The value of one statistic of the repetitions ("median", "min", "max"), or
// of a single run (""), into its place in `range`.
void Put(bench::TRange& range, const std::string& statistic, double value)
{
    if (statistic.empty() || statistic == "median") range.Median = value;
    if (statistic.empty() || statistic == "min") range.Min = value;
    if (statistic.empty() || statistic == "max") range.Max = value;
}

// Keeps the medians of the repetitions and their range (or the single run
// without them).
class TTableReporter : public benchmark::ConsoleReporter {
public:
    // Colours only for a terminal, so that the table can go into a file.
    TTableReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    std::map<std::string, bench::TMeasured> Measured;
    std::map<std::string, std::string> Errors;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                Errors[run.run_name.function_name] = run.error_message;
                continue;
            }
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!aggregate && !single) continue;
            const std::string statistic = single ? "" : run.aggregate_name;
            bench::TMeasured& measured = Measured[run.run_name.function_name];
            Put(measured.Pass, statistic, run.GetAdjustedRealTime());  // the manual time: the pass's CPU time
            Put(measured.Baseline, statistic, run.counters.at("baseline_ms"));
            Put(measured.Ratio, statistic, run.counters.at("x_baseline"));
            Put(measured.Memchr, statistic, run.counters.at("memchr_ms"));
            Put(measured.MemchrRatio, statistic, run.counters.at("x_memchr"));
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

constexpr uint64_t kMaxGrowthDifference = 1024 * 1024;

std::string Kib(uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024);
    return text;
}

void PrintHeading(const std::vector<TSizeSetup>& setups)
{
    std::printf("\nCode page %u; hotlists by genhotlist --depth %u --fanout %u --seed %u. CPU time of the process "
                "per pass (median of the repetitions). %s\n\n",
                static_cast<unsigned>(TansyActiveCodePage()), kDepth, kFanout, kSeed, bench::kBaselinesText);
    if (setups.empty()) return;
    int64_t answers[static_cast<int>(bench::TPassKind::MemchrLines) + 1] = {};  // by TPassKind
    for (size_t pass = 0; pass < kPassCount; ++pass)
        answers[static_cast<int>(kTimedPasses[pass].Pass.Kind)] = setups.front().Expected[pass];
    std::printf("The walk lists the last folder (\\%s, %" PRId64 " entries); the properties scan names its first "
                "bookmark and shows %" PRId64 " box per pass.\n\n",
                kTailFolder, answers[static_cast<int>(bench::TPassKind::Walk)],
                answers[static_cast<int>(bench::TPassKind::Properties)]);
}

// The row of one pass of one size; false when it failed or missed its goal.
bool PrintRow(const TSizeSetup& setup, size_t pass, const TMemory& memory, const TTableReporter& reporter)
{
    const bench::TPass& info = kTimedPasses[pass].Pass;
    const std::string name = BenchmarkName(pass, setup.Bookmarks);
    const double megabytes =
        static_cast<double>(std::filesystem::file_size(HotlistPath(setup.Bookmarks, kTimedPasses[pass].File))) / 1e6;
    const std::string size = bench::SizeLabel(setup.Bookmarks);
    const auto measured = reporter.Measured.find(name);
    if (measured == reporter.Measured.end()) {
        const auto error = reporter.Errors.find(name);
        const bool failed = error != reporter.Errors.end();
        const std::string why = failed ? "failed: " + error->second : "not run";
        std::printf("%s\n", bench::FailedRowCells(size, megabytes, info, why, 3).c_str());
        return !failed;
    }
    std::printf("%s %s | %" PRIu64 " B | %" PRIu64 " |\n",
                bench::RowCells(size, megabytes, info, measured->second).c_str(), Kib(memory.ColdGrowth).c_str(),
                memory.WarmGrowth, memory.WarmAllocations);
    return bench::MeetsGoal(info, measured->second);
}

int PrintTable(const std::vector<TSizeSetup>& setups, const std::map<std::string, TMemory>& memory,
               const TTableReporter& reporter)
{
    PrintHeading(setups);
    bench::PrintTableHead({"Peak heap growth, first pass", "Next pass", "Allocations, next pass"});
    bool met = true;
    for (const TSizeSetup& setup : setups)
        for (size_t pass = 0; pass < kPassCount; ++pass)
            met = PrintRow(setup, pass, memory.at(BenchmarkName(pass, setup.Bookmarks)), reporter) && met;
    std::printf("\n%s; peak heap growth from the smallest to the largest hotlist under 1 MiB.\n",
                bench::GoalsText().c_str());
    for (size_t pass = 0; pass < kPassCount && !setups.empty(); ++pass) {
        const uint64_t smallest = memory.at(BenchmarkName(pass, setups.front().Bookmarks)).ColdGrowth;
        const uint64_t largest = memory.at(BenchmarkName(pass, setups.back().Bookmarks)).ColdGrowth;
        const int64_t difference = static_cast<int64_t>(largest) - static_cast<int64_t>(smallest);
        std::printf("Peak heap growth of a first pass, %s: %s on the smallest, %+.1f KiB on the largest\n",
                    kTimedPasses[pass].Pass.Label, Kib(smallest).c_str(), static_cast<double>(difference) / 1024);
        if (difference >= static_cast<int64_t>(kMaxGrowthDifference)) met = false;
    }
    std::printf("%s\n", met ? "All goals met." : "Some goals are NOT met.");
    return met ? 0 : 2;
}

// ---------------------------------------------------------------------------
// Nesting: whole trees walked depth first as a search walks them, and nests
// of folders inside folders. Run in this process after the passes above, so
// the library's buffers are warm; the heap growth is the peak of a walk's
// and the folders' listings' live bytes over those before them.

constexpr unsigned kNestDepths[] = {10, 100, 1000, 10000};
// Trees up to this size are walked whole (each folder's listing reads the
// file up to that folder: some 260 listings).
constexpr uint64_t kLargestWalkedTree = 100000;

bench::TTreeRow TreeRowOf(const bench::TTreeShape& shape, int repetitions)
{
    const size_t before = gHeap.Live;
    gHeap.Peak = before;
    bench::TTreeRow row = bench::MeasureTree(host::kLinkedExports, shape, repetitions, &CpuSeconds);
    row.HeapGrowth = static_cast<int64_t>(gHeap.Peak - before);
    return row;
}

void RunNesting(const std::vector<uint64_t>& sizes)
{
    std::vector<bench::TTreeRow> trees;
    for (const uint64_t bookmarks : sizes) {
        if (bookmarks > kLargestWalkedTree) continue;
        PointAt(HotlistPath(bookmarks, THotlist::Tail));
        trees.push_back(TreeRowOf(bench::ShapeOfTree(host::kLinkedExports, bench::SizeLabel(bookmarks)), 5));
    }
    std::vector<bench::TDeepestRow> deepest;
    for (const unsigned depth : kNestDepths) {
        const std::string path = std::string(TANSY_BENCH_DATA_DIR) + "/nest_" + std::to_string(depth) + ".hotlist";
        if (!std::filesystem::exists(path)) bench::WriteNest(path, depth);
        PointAt(path);
        trees.push_back(TreeRowOf(bench::ShapeOfNest(host::kLinkedExports, depth), depth >= 1000 ? 1 : 5));
        deepest.push_back(bench::MeasureDeepest(host::kLinkedExports, depth, 5, &CpuSeconds));
    }
    std::printf("\n%s\n", bench::kNestingText);
    bench::PrintTreeTable(trees);
    bench::PrintDeepestTable(deepest);
}

// Takes --sizes=4,5,6 (powers of ten) out of the arguments.
std::vector<uint64_t> TakeSizes(int& argc, char** argv)
{
    std::vector<uint64_t> sizes = {10000, 100000, 1000000};
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--sizes=", 0) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        sizes.clear();
        size_t at = 8;
        while (at < argument.size()) {
            const size_t comma = std::min(argument.find(',', at), argument.size());
            uint64_t size = 1;
            for (int power = std::stoi(argument.substr(at, comma - at)); power > 0; --power) size *= 10;
            sizes.push_back(size);
            at = comma + 1;
        }
    }
    argc = kept;
    return sizes;
}

// Takes a flag out of the arguments; true when it was there.
bool TakeFlag(int& argc, char** argv, const char* flag)
{
    bool found = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0)
            found = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return found;
}

}  // namespace

int main(int argc, char** argv)
{
    // The code page the library is used with, unless the caller chose one.
    setenv("TANSY_CODEPAGE", "1251", 0);
    try {
        const std::vector<uint64_t> sizes = TakeSizes(argc, argv);
        // Only the hotlists, made where missing: a line a size with the bookmarks
        // and the two paths, tab-parted. The Windows run times the same files.
        if (TakeFlag(argc, argv, "--hotlists")) {
            for (const uint64_t bookmarks : sizes) {
                Generate(bookmarks, THotlist::Tail);
                Generate(bookmarks, THotlist::Nested);
                std::printf("%" PRIu64 "\t%s\t%s\n", bookmarks, HotlistPath(bookmarks, THotlist::Tail).c_str(),
                            HotlistPath(bookmarks, THotlist::Nested).c_str());
            }
            return 0;
        }
        const bool nesting = !TakeFlag(argc, argv, "--no-nesting");
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

        std::vector<TSizeSetup> setups;
        std::map<std::string, TMemory> memory;
        for (const uint64_t bookmarks : sizes) {
            Generate(bookmarks, THotlist::Tail);
            Generate(bookmarks, THotlist::Nested);
            setups.push_back(Prepare(bookmarks));
            for (size_t pass = 0; pass < kPassCount; ++pass)
                memory[BenchmarkName(pass, bookmarks)] = MeasureMemory(pass, setups.back());
        }

        for (const TSizeSetup& setup : setups) {
            for (size_t pass = 0; pass < kPassCount; ++pass) {
                const double bytes = static_cast<double>(
                    std::filesystem::file_size(HotlistPath(setup.Bookmarks, kTimedPasses[pass].File)));
                benchmark::RegisterBenchmark(
                    BenchmarkName(pass, setup.Bookmarks).c_str(),
                    [&setup, pass, bytes](benchmark::State& state) { TimePass(state, setup, pass, bytes); })
                    ->Unit(benchmark::kMillisecond)
                    ->UseManualTime()
                    ->MinTime(0.5)
                    ->Repetitions(5)
                    ->ComputeStatistics("min", [](const std::vector<double>& v) {
                        return *std::min_element(v.begin(), v.end());
                    })
                    ->ComputeStatistics("max", [](const std::vector<double>& v) {
                        return *std::max_element(v.begin(), v.end());
                    })
                    ->ReportAggregatesOnly(true);
            }
        }
        TTableReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        const int status = PrintTable(setups, memory, reporter);
        if (nesting) RunNesting(sizes);
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tansy_bench: %s\n", e.what());
        return 1;
    }
}
