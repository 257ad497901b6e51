// libFuzzer target for the listing and properties exports, in-process. An
// input is four request bytes and then the bytes of a hotlist: the hotlist
// is written to the file the library reads, the root and every folder it
// shows are listed (depth first, bounded), and "properties" is asked for the
// bookmarks it shows. Every answer is checked; after each input a fixed
// well-formed hotlist must still list exactly as it did at the start.
//
// Then listings overlap, as hosts make them: a schedule opens listings of the
// folders seen, and of a folder a listing has just returned (as a recursive
// host does), and goes from one open listing to another, closing some and
// leaving others open for a while. Each listing must give exactly what a
// listing of its folder alone gives, under the lowest free handle.
//
// Request bytes: [0] code page (1251, 1252, 65001); [1] bit 0: give the host's
// paths with "/" instead of "\"; bit 1: leave listings without FsFindClose
// now and then; bits 2-7: the first listing stops after that many entries
// without FsFindClose; [2] bits 0-4: most folders listed; [3] bits 0-2: most
// properties asked; [2] bits 5-7 and [3] bits 3-7: the schedule of the
// overlapping listings (0: none).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "CodePageControl.h"
#include "LinkedLibrary.h"
#include "FaultInjection.h"
#include "Listings.h"
#include "ScanState.h"
#include "TANSY_WFX.h"

namespace {

[[noreturn]] void Broken(const char* promise, const std::string& detail = {})
{
    std::fprintf(stderr, "broken promise: %s %s\n", promise, detail.c_str());
    std::abort();
}

#define REQUIRE(condition, ...) \
    do {                        \
        if (!(condition)) Broken(#condition, ##__VA_ARGS__); \
    } while (0)

constexpr size_t kRequestBytes = 4;
constexpr UINT kCodePages[] = {1251, 1252, 65001};

bool HotlistClosed()
{
    return HotlistText.Mode != tfInput && TansyOpenHandleCount() == 0;
}

std::string TempPath(const char* name)
{
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/" + name + "-" +
           std::to_string(getpid());
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) Broken("the fuzz input can be written", path);
    if (size > 0 && std::fwrite(data, 1, size, file) != size) Broken("the fuzz input is written", path);
    std::fclose(file);
}

// ---- The fixed well-formed hotlist -----------------------------------------

const char kWellFormed[] =
    "Hotlist version 2.0\nOptions: encoding = utf8, version=3\n\n"
    "#URL\n\tID=1\n\tNAME=One\n\tURL=https://example.org/1\n\tCREATED=11\n\tVISITED=12\n\n"
    "#FOLDER\n\tID=2\n\tNAME=Box\n\tCREATED=21\n\n"
    "#URL\n\tID=3\n\tNAME=Inner\n\tURL=https://example.org/3\n\n"
    "-\n\n"
    "#SEPERATOR\n\n"
    "#URL\n\tID=4\n\tNAME=\xD0\x98\xD0\x9C\xD0\xAF\n\tURL=https://example.org/4\n\n";

struct Fixture {
    std::string fuzzPath = TempPath("tansy-fuzz.hotlist");
    std::string wellFormedPath = TempPath("tansy-fuzz-wellformed.hotlist");
    std::string reference;  // the root of the well-formed hotlist under 1251

    Fixture()
    {
        WriteFile(wellFormedPath, reinterpret_cast<const uint8_t*>(kWellFormed), sizeof kWellFormed - 1);
        TansySetActiveCodePage(1251);
        UseHotlist(wellFormedPath);
        reference = Joined(ListFolder("\\"));
        if (reference.find("name=%C8%CC%DF") == std::string::npos)
            Broken("the well-formed hotlist lists", reference);
    }
    ~Fixture()
    {
        unlink(fuzzPath.c_str());
        unlink(wellFormedPath.c_str());
    }
};

Fixture& TheFixture()
{
    static Fixture fixture;
    return fixture;
}

// ---- Checks of the answers --------------------------------------------------

size_t CountMarkers(const uint8_t* data, size_t size)
{
    size_t markers = 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (size_t at = 0; (at = text.find('#', at)) != std::string_view::npos; ++at) ++markers;
    return markers;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// Files open while `leftOpen` listings the host never closed hold theirs.
bool OnlyLeftOpenFiles(const std::vector<HANDLE>& leftOpen)
{
    return HotlistText.Mode != tfInput && TansyOpenHandleCount() <= leftOpen.size();
}

// A listing's answers: sound records, no more entries than the file has
// markers, a failed start closes the file, a close answers 0 and closes it.
// A listing left open is added to `leftOpen`.
void CheckListing(const Transcript& listing, bool closed, size_t markers, std::vector<HANDLE>& leftOpen)
{
    REQUIRE(!listing.empty());
    size_t entries = 0;
    for (size_t i = 0; i < listing.size(); ++i) {
        const CallAnswer& answer = listing[i];
        // Every successful first or next hands over a sound record.
        const bool succeeded = i == 0 ? answer.Result != -1 : answer.Result != 0;
        const bool isClose = closed && i + 1 == listing.size() && i > 0;
        if (succeeded && !isClose) REQUIRE(answer.HasEntry, answer.Text);
        if (answer.HasEntry) ++entries;
        if (isClose) REQUIRE(answer.Result == 0, answer.Text);
    }
    REQUIRE(entries <= markers, std::to_string(entries) + " entries");
    const CallAnswer& first = listing.front();
    if (first.Result == -1) {
        REQUIRE(listing.size() == 1);
        REQUIRE(OnlyLeftOpenFiles(leftOpen));
        // Nothing but "no such entries" and a bad number can fail here.
        REQUIRE(first.Error == 18 || first.Error == 13, first.Text);
        return;
    }
    // The lowest handle no open listing holds.
    REQUIRE(first.Result >= 0 && static_cast<size_t>(first.Result) <= leftOpen.size(), first.Text);
    if (closed)
        REQUIRE(OnlyLeftOpenFiles(leftOpen));
    else
        leftOpen.push_back(reinterpret_cast<HANDLE>(static_cast<intptr_t>(first.Result)));
}

void CheckProperties(const Transcript& answers)
{
    const CallAnswer& exec = answers.front();
    REQUIRE(exec.Result == 0 || (exec.Result == 1 && exec.Error == 13), exec.Text);
    for (size_t i = 1; i < answers.size(); ++i)
        REQUIRE(StartsWith(answers[i].Text, "box 0 none "), answers[i].Text);
    REQUIRE(HotlistClosed());
}

// The folders and bookmarks a listing showed, as host paths.
void ChildPaths(const Transcript& listing, const std::string& folder, std::vector<std::string>& folders,
                std::vector<std::string>& bookmarks)
{
    for (const CallAnswer& answer : listing) {
        if (!answer.HasEntry) continue;
        const std::string path = (folder == "\\" ? folder : folder + "\\") + answer.Name;
        (answer.IsFolder ? folders : bookmarks).push_back(path);
    }
}

std::string HostForm(std::string path, bool slashes)
{
    if (slashes)
        for (char& c : path)
            if (c == '\\') c = '/';
    return path;
}

// ---- Listings that overlap ---------------------------------------------------

constexpr size_t kScheduleSteps = 48;
constexpr size_t kMostOpen = 8;

// What one call of a listing answered, but the handle: the entry handed over,
// or how the listing ended (FsFindNext's error, 0 for "no more").
std::string AnswerKey(const host::FindAnswer& answer)
{
    if (answer.found) return host::RecordFields(answer.record);
    if (answer.step == host::FindStep::First) return "failed error=" + std::to_string(answer.error);
    return "ended error=" + std::to_string(host::NextFailed(answer) ? answer.error : 0);
}

struct OverlappingListing {
    std::string folder;
    HANDLE handle = INVALID_HANDLE_VALUE;
    size_t answered = 0;     // answers so far, FsFindFirst's included
    std::string entered = {};  // the folder it returned last, to list inside it
    bool ended = false;      // it answered "no more"
    bool failed = false;     // a call failed: what follows is not checked
    bool givenUp = false;    // the library gave it up past its memory bound
};

struct Overlaps {
    bool slashes = false;
    uint64_t state = 0;  // the schedule
    std::map<std::string, std::vector<std::string>> alone = {};  // each folder's answers listed alone
    std::vector<OverlappingListing> open = {};

    size_t Pick(size_t count)
    {
        state += 0x9E3779B97F4A7C15u;  // splitmix64
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return static_cast<size_t>((z ^ (z >> 31)) % count);
    }

    // The answers of a listing of `folder` from FsFindFirst to the call that
    // ended it, with no other listing moving in between (made the first time
    // the folder is opened).
    const std::vector<std::string>& Alone(const std::string& folder)
    {
        auto found = alone.find(folder);
        if (found != alone.end()) return found->second;
        std::vector<std::string>& answers = alone[folder];
        host::ListingOptions options;
        options.after = [&answers](const host::FindAnswer& answer) {
            if (answer.step != host::FindStep::Close) answers.push_back(AnswerKey(answer));
        };
        host::ListFolder(LinkedLibrary(), HostForm(folder, slashes), options);
        return answers;
    }

    void Check(OverlappingListing& listing, const host::FindAnswer& answer)
    {
        REQUIRE(TansyOpenHandleCount() <= kListingReaders);
        const std::string key = AnswerKey(answer);
        if (listing.givenUp || key == "ended error=" + std::to_string(ERROR_TOO_MANY_OPEN_FILES)) {
            REQUIRE(key == "ended error=" + std::to_string(ERROR_TOO_MANY_OPEN_FILES), listing.folder + ": " + key);
            listing.givenUp = true;
            return;
        }
        if (listing.failed) return;
        if (listing.ended) {
            REQUIRE(!answer.found, listing.folder + ": " + key);
            return;
        }
        const std::vector<std::string>& wanted = alone.at(listing.folder);
        const std::string where = listing.folder + " answer " + std::to_string(listing.answered) + ": ";
        REQUIRE(listing.answered < wanted.size(), where + key);
        REQUIRE(key == wanted[listing.answered], where + key + " instead of " + wanted[listing.answered]);
        ++listing.answered;
        listing.ended = !answer.found;
        listing.failed = key != "ended error=0" && !answer.found;
        const bool folder = answer.found && (answer.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                            host::NameEndsInRecord(answer.record);
        listing.entered = folder ? (listing.folder == "\\" ? "\\" : listing.folder + "\\") + host::NameOf(answer.record)
                                 : std::string();
    }

    // The lowest number no open listing holds.
    intptr_t FreeHandle() const
    {
        for (intptr_t number = 0;; ++number) {
            bool taken = false;
            for (const OverlappingListing& listing : open)
                taken = taken || reinterpret_cast<intptr_t>(listing.handle) == number;
            if (!taken) return number;
        }
    }

    void Open(const std::string& folder)
    {
        Alone(folder);
        const intptr_t handle = FreeHandle();
        OverlappingListing listing{folder};
        const host::FindAnswer answer = host::CallFindFirst(LinkedLibrary(), HostForm(folder, slashes));
        Check(listing, answer);
        if (!answer.found) return;
        REQUIRE(reinterpret_cast<intptr_t>(answer.handle) == handle, folder);
        listing.handle = answer.handle;
        open.push_back(listing);
    }

    void Close(size_t index)
    {
        REQUIRE(host::CallFindClose(LinkedLibrary(), open[index].handle).result == 0);
        open.erase(open.begin() + static_cast<std::ptrdiff_t>(index));
    }

    // One step of the schedule: open a listing (of a folder seen, or of the
    // folder a listing has just returned), move one on, or close one.
    void Step(const std::vector<std::string>& folders)
    {
        const size_t action = open.empty() ? 0 : Pick(8);
        if (action < 2 && open.size() < kMostOpen) return Open(folders[Pick(folders.size())]);
        OverlappingListing& listing = open[Pick(open.size())];
        if (action < 4 && !listing.entered.empty() && open.size() < kMostOpen) return Open(listing.entered);
        if (action < 7) return Check(listing, host::CallFindNext(LinkedLibrary(), listing.handle));
        Close(static_cast<size_t>(&listing - open.data()));
    }
};

// Runs the schedule `seed` (none for 0) over the folders seen, then closes
// every listing still open: no file may stay open after that.
void Overlap(unsigned seed, bool slashes, const std::vector<std::string>& folders)
{
    if (seed == 0) return;
    Overlaps overlaps{slashes, seed};
    for (size_t step = 0; step < kScheduleSteps; ++step) overlaps.Step(folders);
    while (!overlaps.open.empty()) overlaps.Close(overlaps.open.size() - 1);
    REQUIRE(HotlistClosed());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fixture& fixture = TheFixture();
    if (size < kRequestBytes) return 0;
    const uint8_t* hotlist = data + kRequestBytes;
    const size_t hotlistSize = size - kRequestBytes;
    const UINT codePage = kCodePages[data[0] % 3];
    const bool slashes = (data[1] & 1) != 0;
    const bool leaveOpen = (data[1] & 2) != 0;
    const size_t stopAfter = data[1] >> 2;
    const size_t maxFolders = 1 + data[2] % 32;
    const size_t maxProperties = data[3] % 8;
    const size_t markers = CountMarkers(hotlist, hotlistSize);

    WriteFile(fixture.fuzzPath, hotlist, hotlistSize);
    TansySetActiveCodePage(codePage);
    UseHotlist(fixture.fuzzPath);

    // A listing the host abandons part way: the next one must not mind.
    std::vector<HANDLE> leftOpen;
    if (stopAfter > 0) {
        const Transcript partial = ListFolder(HostForm("\\", slashes), false, nullptr, nullptr, stopAfter);
        CheckListing(partial, false, markers, leftOpen);
    }

    std::vector<std::string> folders = {"\\"};
    std::vector<std::string> bookmarks;
    for (size_t i = 0; i < folders.size() && i < maxFolders; ++i) {
        const bool close = !(leaveOpen && i % 3 == 1);
        const std::string folder = folders[i];  // folders grows below
        const Transcript listing = ListFolder(HostForm(folder, slashes), close);
        CheckListing(listing, close, markers, leftOpen);
        ChildPaths(listing, folder, folders, bookmarks);
    }
    for (HANDLE handle : leftOpen) REQUIRE(FsFindClose(handle) == 0);
    REQUIRE(HotlistClosed());

    folders.resize(std::min(folders.size(), maxFolders));
    Overlap((data[2] >> 5) | ((data[3] >> 3) << 3), slashes, folders);

    for (size_t i = 0; i < bookmarks.size() && i < maxProperties; ++i)
        CheckProperties(Execute(HostForm(bookmarks[i], slashes)));
    CheckProperties(Execute("\\"));

    // Whatever came before, a well-formed file lists exactly.
    TansySetActiveCodePage(1251);
    UseHotlist(fixture.wellFormedPath);
    const std::string again = Joined(ListFolder("\\"));
    REQUIRE(again == fixture.reference, again);
    REQUIRE(HotlistClosed());
    TakeBoxes();
    return 0;
}
