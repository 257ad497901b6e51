// Times whole passes over big hotlists through the library's exports and sets
// them against plain reading of the same file: a walk to the last folder, a
// listing of "\" with everything nested, and a "properties" scan. Prints a
// table of times, ratios to the plain read, throughput and heap growth.
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
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchShared.h"
#include "CodePageControl.h"
#include "ScanState.h"
#include "TANSY_WFX.h"
#include "TextFile.h"
#include "tansy_harness.h"
#include "tansy_windows.h"

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
constexpr unsigned kDepth = 3;
constexpr unsigned kFanout = 6;
constexpr unsigned kSeed = 7;

enum TFileKind { fkTail, fkNested };

std::string HotlistPath(uint64_t bookmarks, TFileKind kind)
{
    return std::string(TANSY_BENCH_DATA_DIR) + "/" + (kind == fkTail ? "tail_" : "nested_") +
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
void Generate(uint64_t bookmarks, TFileKind kind)
{
    namespace fs = std::filesystem;
    const std::string path = HotlistPath(bookmarks, kind);
    std::error_code error;
    if (fs::exists(path, error) &&
        fs::last_write_time(path, error) >= fs::last_write_time(TANSY_GENHOTLIST, error))
        return;
    fs::create_directories(TANSY_BENCH_DATA_DIR);
    const std::string part = path + ".part";
    std::string command = Quoted(TANSY_GENHOTLIST) + " --bookmarks " + std::to_string(bookmarks) +
                          " --depth " + std::to_string(kDepth) + " --fanout " + std::to_string(kFanout) +
                          " --seed " + std::to_string(kSeed) +
                          (kind == fkTail ? std::string(" --tail-folder ") + kTailFolder : " --all-nested") +
                          " --output " + Quoted(part);
    std::fprintf(stderr, "generating %s\n", path.c_str());
    if (std::system(command.c_str()) != 0) throw std::runtime_error("genhotlist failed: " + command);
    fs::rename(part, path);
}

// ---------------------------------------------------------------------------
// The passes. Each returns the answer it got (entries listed, boxes shown,
// lines counted), so a run can be checked against the first one.

int gBoxes = 0;

int CountBox(HWND, const char*, const char*, UINT)
{
    ++gBoxes;
    return IDOK;
}

void UseHotlist(const std::string& path)
{
    HotlistFileName = TextToShort(path);
    TansySetMessageBoxHook(&CountBox);
}

// Plain reading, with a buffer of the library's size.
int64_t BaselinePass(const std::string& path)
{
    static std::vector<char> buffer(kTextBufferSize);
    return bench::BaselinePass(path.c_str(), buffer);
}

// Lists a folder to its end: the number of entries, or -1 when FsFindFirst
// found none. `firstName` receives the first entry's name.
int64_t ListFolder(const std::string& folder, std::string* firstName = nullptr)
{
    std::vector<char> path(folder.begin(), folder.end());
    path.push_back('\0');
    WIN32_FIND_DATAA record;
    if (FsFindFirst(path.data(), &record) == INVALID_HANDLE_VALUE) return -1;
    if (firstName != nullptr) *firstName = record.cFileName;
    int64_t entries = 1;
    while (FsFindNext(nullptr, &record)) ++entries;
    FsFindClose(nullptr);
    return entries;
}

// Boxes shown for one "properties" request, or -1 when the call failed.
int64_t PropertiesPass(const std::string& remoteName)
{
    std::vector<char> name(remoteName.begin(), remoteName.end());
    name.push_back('\0');
    char verb[] = "properties";
    gBoxes = 0;
    if (FsExecuteFile(nullptr, name.data(), verb) != FS_EXEC_OK) return -1;
    return gBoxes;
}

enum TPassKind { pkBaseline, pkWalk, pkListRoot, pkProperties };

struct TScenario {
    TPassKind Kind;
    TFileKind File;
    const char* Label;
};

// The baseline of each file comes first: the passes after it are set against it.
constexpr TScenario kScenarios[] = {
    {pkBaseline, fkTail, "baseline: ReadFile + memchr"},
    {pkWalk, fkTail, "walk to the last folder"},
    {pkProperties, fkTail, "properties scan"},
    {pkBaseline, fkNested, "baseline: ReadFile + memchr"},
    {pkListRoot, fkNested, "list \\ (all nested)"},
};
constexpr size_t kScenarioCount = sizeof kScenarios / sizeof kScenarios[0];

struct TSizeSetup {
    uint64_t Bookmarks = 0;
    std::string RemoteName;            // the bookmark the properties scan asks for
    int64_t Expected[kScenarioCount] = {};  // each pass's answer, checked on every run
};

int64_t RunPass(const TScenario& scenario, const TSizeSetup& setup)
{
    const std::string hotlist = HotlistPath(setup.Bookmarks, scenario.File);
    UseHotlist(hotlist);
    switch (scenario.Kind) {
    case pkBaseline: return BaselinePass(hotlist);
    case pkWalk: return ListFolder(std::string("\\") + kTailFolder);
    case pkListRoot: return ListFolder("\\");
    case pkProperties: return PropertiesPass(setup.RemoteName);
    }
    return -1;
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

// The name of the first bookmark of the tail folder, and every pass's answer.
TSizeSetup Prepare(uint64_t bookmarks)
{
    TSizeSetup setup;
    setup.Bookmarks = bookmarks;
    const std::string answer = InChild([&] {
        UseHotlist(HotlistPath(bookmarks, fkTail));
        std::string first;
        if (ListFolder(std::string("\\") + kTailFolder, &first) <= 0)
            throw std::runtime_error("the tail folder lists no entry");
        TSizeSetup found = setup;
        found.RemoteName = std::string("\\") + kTailFolder + "\\" + first;
        std::string text = found.RemoteName + "\n";
        for (const TScenario& scenario : kScenarios) text += std::to_string(RunPass(scenario, found)) + "\n";
        return text;
    });
    size_t at = answer.find('\n');
    setup.RemoteName = answer.substr(0, at);
    for (size_t i = 0; i < kScenarioCount; ++i) {
        const size_t next = answer.find('\n', at + 1);
        setup.Expected[i] = std::stoll(answer.substr(at + 1, next - at - 1));
        if (setup.Expected[i] <= 0)
            throw std::runtime_error(std::string("no answer from the pass ") + kScenarios[i].Label);
        at = next;
    }
    return setup;
}

struct TMemory {
    uint64_t ColdGrowth = 0;   // peak live bytes of a first pass, less the bytes before it
    uint64_t WarmGrowth = 0;   // the same for the pass after it
    uint64_t WarmAllocations = 0;
};

TMemory MeasureMemory(const TScenario& scenario, const TSizeSetup& setup)
{
    const std::string answer = InChild([&] {
        TMemory memory;
        size_t before = gHeap.Live;
        gHeap.Peak = before;
        RunPass(scenario, setup);
        memory.ColdGrowth = gHeap.Peak - before;
        before = gHeap.Live;
        gHeap.Peak = before;
        const uint64_t allocations = gHeap.Allocations;
        RunPass(scenario, setup);
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
        throw std::runtime_error("no memory figures from " + std::string(scenario.Label));
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

// The plain reading of the same file, the measure of every pass.
size_t BaselineOf(size_t scenario)
{
    for (size_t i = 0; i < kScenarioCount; ++i)
        if (kScenarios[i].Kind == pkBaseline && kScenarios[i].File == kScenarios[scenario].File) return i;
    return scenario;
}

std::string BenchmarkName(const TScenario& scenario, uint64_t bookmarks)
{
    static const char* const kKinds[] = {"baseline", "walk", "list_root", "properties"};
    return std::string(kKinds[scenario.Kind]) + (scenario.File == fkTail ? "_tail/" : "_nested/") +
           std::to_string(bookmarks);
}

// Each iteration makes the pass and the plain reading of its file, in turns
// first, so that both meet the same conditions; the time reported is the
// pass's, and the counters carry the baseline's time and the ratio.
void TimePass(benchmark::State& state, const TSizeSetup& setup, size_t scenario, double bytes)
{
    const size_t baseline = BaselineOf(scenario);
    double passSeconds = 0;
    double baselineSeconds = 0;
    bool passFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const size_t which = (turn == 0) == passFirst ? scenario : baseline;
            const double start = CpuSeconds();
            const int64_t answer = RunPass(kScenarios[which], setup);
            const double seconds = CpuSeconds() - start;
            if (answer != setup.Expected[which]) {
                state.SkipWithError("a pass gave another answer than before");
                return;
            }
            (which == scenario ? passSeconds : baselineSeconds) += seconds;
            if (which == scenario) state.SetIterationTime(seconds);
        }
        passFirst = !passFirst;
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["baseline_ms"] = baselineSeconds * 1e3 / iterations;
    state.counters["x_baseline"] = passSeconds / baselineSeconds;
    state.SetBytesProcessed(static_cast<int64_t>(bytes * iterations));
}

struct TTiming {
    double Milliseconds = 0;
    double BaselineMilliseconds = 0;
    double Ratio = 0;
    // The least and greatest of the repetitions: the machine's noise.
    double MinMilliseconds = 0, MaxMilliseconds = 0;
    double MinRatio = 0, MaxRatio = 0;
};

// Keeps the medians of the repetitions and their range (or the single run
// without them).
class TTableReporter : public benchmark::ConsoleReporter {
public:
    // Colours only for a terminal, so that the table can go into a file.
    TTableReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    std::map<std::string, TTiming> Timings;
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
            TTiming& timing = Timings[run.run_name.function_name];
            const double milliseconds = run.GetAdjustedRealTime();  // the manual time: the pass's CPU time
            const double ratio = run.counters.at("x_baseline");
            if (single || run.aggregate_name == "min") {
                timing.MinMilliseconds = milliseconds;
                timing.MinRatio = ratio;
            }
            if (single || run.aggregate_name == "max") {
                timing.MaxMilliseconds = milliseconds;
                timing.MaxRatio = ratio;
            }
            if (!single && run.aggregate_name != "median") continue;
            timing.Milliseconds = milliseconds;
            timing.BaselineMilliseconds = run.counters.at("baseline_ms");
            timing.Ratio = ratio;
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

int PrintTable(const std::vector<TSizeSetup>& setups, const std::map<std::string, TMemory>& memory,
               const TTableReporter& reporter)
{
    std::printf("\nCode page %u; hotlists by genhotlist --depth %u --fanout %u --seed %u; read in blocks of "
                "%zu KiB. CPU time of the process per pass (median of the repetitions); the baseline reads the "
                "same file with ReadFile into a buffer of the same size and counts its lines with memchr, "
                "in turns with the pass.\n\n",
                static_cast<unsigned>(TansyActiveCodePage()), kDepth, kFanout, kSeed, kTextBufferSize / 1024);
    if (!setups.empty()) {
        int64_t boxes = 0;
        int64_t entries = 0;
        for (size_t i = 0; i < kScenarioCount; ++i) {
            if (kScenarios[i].Kind == pkProperties) boxes = setups.front().Expected[i];
            if (kScenarios[i].Kind == pkWalk) entries = setups.front().Expected[i];
        }
        std::printf("The walk lists the last folder (\\%s, %" PRId64 " entries); the properties scan names its first "
                    "bookmark and shows %" PRId64 " box per pass.\n\n",
                    kTailFolder, entries, boxes);
    }
    std::printf("| Bookmarks | File MB | Pass | ms per pass | min–max | Baseline ms | x baseline | min–max | MB/s | "
                "Peak heap growth, first pass | Next pass | Allocations, next pass |\n");
    std::printf("|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    bool met = true;
    // By scenario: the first pass's growth on the smallest and on the largest hotlist.
    std::map<size_t, std::pair<int64_t, int64_t>> growthRange;
    for (const TSizeSetup& setup : setups) {
        for (size_t index = 0; index < kScenarioCount; ++index) {
            const TScenario& scenario = kScenarios[index];
            const std::string name = BenchmarkName(scenario, setup.Bookmarks);
            const TMemory& mem = memory.at(name);
            auto range = growthRange.find(index);
            const auto growth = static_cast<int64_t>(mem.ColdGrowth);
            if (range == growthRange.end())
                growthRange[index] = {growth, growth};
            else
                range->second.second = growth;
            if (scenario.Kind == pkBaseline) continue;

            const double megabytes =
                static_cast<double>(std::filesystem::file_size(HotlistPath(setup.Bookmarks, scenario.File))) / 1e6;
            const std::string size = bench::SizeLabel(setup.Bookmarks);
            const auto timing = reporter.Timings.find(name);
            if (timing == reporter.Timings.end()) {
                const auto error = reporter.Errors.find(name);
                std::printf("| %s | %.1f | %s | %s | | | | | | | | |\n", size.c_str(), megabytes, scenario.Label,
                            error == reporter.Errors.end() ? "not run" : ("failed: " + error->second).c_str());
                if (error != reporter.Errors.end()) met = false;
                continue;
            }
            const TTiming& t = timing->second;
            std::printf("| %s | %.1f | %s | %.2f | %.2f–%.2f | %.2f | %.2f | %.2f–%.2f | %.0f | %s | %" PRIu64
                        " B | %" PRIu64 " |\n",
                        size.c_str(), megabytes, scenario.Label, t.Milliseconds, t.MinMilliseconds,
                        t.MaxMilliseconds, t.BaselineMilliseconds, t.Ratio, t.MinRatio, t.MaxRatio,
                        megabytes / (t.Milliseconds / 1e3), Kib(mem.ColdGrowth).c_str(), mem.WarmGrowth,
                        mem.WarmAllocations);
            if (!bench::WithinGoal(scenario.Label, t.Ratio)) met = false;
        }
    }
    std::printf("\n%s; peak heap growth from the smallest to the largest hotlist under 1 MiB.\n", bench::kGoalsText);
    for (const auto& [index, range] : growthRange) {
        const int64_t difference = range.second - range.first;
        std::printf("Peak heap growth of a first pass, %s (%s hotlist): %s on the smallest, %+.1f KiB on the "
                    "largest\n",
                    kScenarios[index].Label, kScenarios[index].File == fkTail ? "tail" : "nested",
                    Kib(static_cast<uint64_t>(range.first)).c_str(), static_cast<double>(difference) / 1024);
        if (difference >= static_cast<int64_t>(kMaxGrowthDifference)) met = false;
    }
    std::printf("%s\n", met ? "All goals met." : "Some goals are NOT met.");
    return met ? 0 : 2;
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
                Generate(bookmarks, fkTail);
                Generate(bookmarks, fkNested);
                std::printf("%" PRIu64 "\t%s\t%s\n", bookmarks, HotlistPath(bookmarks, fkTail).c_str(),
                            HotlistPath(bookmarks, fkNested).c_str());
            }
            return 0;
        }
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

        std::vector<TSizeSetup> setups;
        std::map<std::string, TMemory> memory;
        for (const uint64_t bookmarks : sizes) {
            Generate(bookmarks, fkTail);
            Generate(bookmarks, fkNested);
            setups.push_back(Prepare(bookmarks));
            for (const TScenario& scenario : kScenarios)
                memory[BenchmarkName(scenario, bookmarks)] = MeasureMemory(scenario, setups.back());
        }

        for (const TSizeSetup& setup : setups) {
            for (size_t i = 0; i < kScenarioCount; ++i) {
                if (kScenarios[i].Kind == pkBaseline) continue;
                const double bytes = static_cast<double>(
                    std::filesystem::file_size(HotlistPath(setup.Bookmarks, kScenarios[i].File)));
                benchmark::RegisterBenchmark(
                    BenchmarkName(kScenarios[i], setup.Bookmarks).c_str(),
                    [&setup, i, bytes](benchmark::State& state) { TimePass(state, setup, i, bytes); })
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
        return PrintTable(setups, memory, reporter);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tansy_bench: %s\n", e.what());
        return 1;
    }
}
