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
// The Unicode exports take the same walk and scan: the Unicode listing of the
// root gives the ANSI listing's entries up to its first folder (every entry of
// the root and of some folders below it, and the same "properties" boxes,
// where the hotlist is plain ASCII), each name decoded whole into at most 259
// units; listings of both forms nest. Paths of random UTF-16 units from the
// input (unpaired surrogates too, and one past 2000 units) are just text that
// matches nothing or something, never a fault.
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
#include "Utf8.h"

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

void CheckProperties(const Transcript& answers, Interface form = Interface::Ansi)
{
    const CallAnswer& exec = answers.front();
    REQUIRE(exec.Result == 0 || (exec.Result == 1 && exec.Error == 13), exec.Text);
    for (size_t i = 1; i < answers.size(); ++i)
        REQUIRE(StartsWith(answers[i].Text, form == Interface::Ansi ? "box 0 none " : "boxw 0 none "),
                answers[i].Text);
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

// ---- The Unicode exports beside the ANSI ones -----------------------------------

// Folders below the root listed through both interfaces and compared.
constexpr size_t kMostCompared = 8;

bool PlainAscii(const uint8_t* data, size_t size)
{
    return std::all_of(data, data + size, [](uint8_t byte) { return byte < 0x80; });
}

// Every field of the record but its name.
template <typename Record>
std::string FieldsOf(const Record& record)
{
    const std::string fields = host::RecordFields(record);
    return fields.substr(0, fields.find(" name="));
}

// An ASCII path as UTF-16.
std::u16string Widened(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// A record's name as bytes: the ANSI ones, or the Unicode units narrowed,
// which keeps a plain ASCII name as it is.
std::string AsciiName(const WIN32_FIND_DATAA& record)
{
    return host::NameOf(record);
}

std::string AsciiName(const WIN32_FIND_DATAW& record)
{
    const std::u16string name = host::NameOf(record);
    return std::string(name.begin(), name.end());
}

bool UnpairedSurrogate(const std::u16string& units)
{
    for (size_t i = 0; i < units.size(); ++i) {
        const bool high = units[i] >= 0xD800 && units[i] <= 0xDBFF;
        const bool low = units[i] >= 0xDC00 && units[i] <= 0xDFFF;
        if (low) return true;
        if (high && !(i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)) return true;
        if (high) ++i;
    }
    return false;
}

// A Unicode name is whole UTF-16: at most 259 units and its zero inside
// cFileName, no half of a pair.
void CheckWideName(const WIN32_FIND_DATAW& record)
{
    const std::u16string name = host::NameOf(record);
    REQUIRE(host::NameEndsInRecord(record) && name.size() < MAX_PATH, std::to_string(name.size()) + " units");
    REQUIRE(!UnpairedSurrogate(name), host::EscUnicode(host::Utf8FromUtf16(name)));
}

// The ANSI name stands for exactly these characters: no character the code
// page lacks ("?") and none it cannot hold at all (an empty name).
bool Lossless(const std::string& ansiName)
{
    return !ansiName.empty() && PlainAscii(reinterpret_cast<const uint8_t*>(ansiName.data()), ansiName.size()) &&
           ansiName.find('?') == std::string::npos;
}

template <typename Record, typename Path>
std::vector<host::BasicFindAnswer<Record>> Answers(const Path& path)
{
    std::vector<host::BasicFindAnswer<Record>> answers;
    host::BasicListingOptions<Record> options;
    options.after = [&answers](const host::BasicFindAnswer<Record>& answer) {
        if (answer.step != host::FindStep::Close) answers.push_back(answer);
    };
    host::ListFolder(LinkedLibrary(), path, options);
    return answers;
}

// What one call of a listing answered, but the handle: the entry handed over,
// or how the listing ended (FsFindNext's error, 0 for "no more").
template <typename Record>
std::string AnswerKey(const host::BasicFindAnswer<Record>& answer)
{
    // A Unicode record holds 259 units of a name, an ANSI one 260 bytes.
    if (answer.found)
        return FieldsOf(answer.record) + " name=" + host::Esc(AsciiName(answer.record).substr(0, MAX_PATH - 1));
    if (answer.step == host::FindStep::First) return "failed error=" + std::to_string(answer.error);
    return "ended error=" + std::to_string(host::NextFailed(answer) ? answer.error : 0);
}

// The listing of the ASCII path `path` through both interfaces: the same
// answers call for call, the same fields, and the same names where the ANSI
// name is plain ASCII (or the whole file is, `whole`). Otherwise the
// comparison ends with the first folder returned: a folder name the ANSI form
// empties, anywhere inside it, joins to nothing in the ANSI walk, which then
// loses its place in the tree where the Unicode walk does not.
void CompareInterfaces(const std::string& path, bool whole)
{
    const auto ansi = Answers<WIN32_FIND_DATAA>(path);
    const auto wide = Answers<WIN32_FIND_DATAW>(Widened(path));
    REQUIRE(HotlistClosed());
    for (size_t i = 0; i < ansi.size(); ++i) {
        const std::string where = path + " answer " + std::to_string(i) + ": ";
        REQUIRE(i < wide.size(), where + AnswerKey(ansi[i]));
        const host::FindAnswer& a = ansi[i];
        const host::FindAnswerW& w = wide[i];
        REQUIRE(a.found == w.found && a.result == w.result, where + AnswerKey(a) + " / " + AnswerKey(w));
        if (!a.found) {
            REQUIRE(AnswerKey(a) == AnswerKey(w), where + AnswerKey(a) + " / " + AnswerKey(w));
            continue;
        }
        CheckWideName(w.record);
        const std::string ansiName = host::NameOf(a.record);
        const std::u16string wideName = host::NameOf(w.record);
        REQUIRE(FieldsOf(a.record) == FieldsOf(w.record), where + FieldsOf(a.record) + " / " + FieldsOf(w.record));
        // The ANSI record holds up to 260 bytes of a name, the Unicode one 259
        // units. (A plain ASCII Unicode name says nothing of the ANSI one: the
        // bytes after a zero in the value, which both cut off, can empty it.
        // Nor does a plain ASCII ANSI name say much of the Unicode one where
        // that holds U+FFFD: the ANSI decoder takes overlong forms, C1 A9 as
        // "i", which the Unicode one replaces.)
        if (whole || (Lossless(ansiName) && wideName.find(u'\uFFFD') == std::u16string::npos))
            REQUIRE(Widened(ansiName.substr(0, MAX_PATH - 1)) == wideName,
                    where + host::Esc(ansiName) + " / " + host::RecordFields(w.record));
        if (!whole && (a.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
    }
    REQUIRE(ansi.size() == wide.size(), path + ": " + std::to_string(wide.size()) + " Unicode answers");
}

// Paths of the input's own bytes taken two at a time as UTF-16 units (any
// unit, unpaired surrogates too), after "\\" or "/"; one of them repeated
// past 2000 units, and the first half of an emoji's pair.
std::vector<std::u16string> RandomPaths(const uint8_t* data, size_t size)
{
    std::vector<std::u16string> paths;
    for (size_t k = 0; k < 2; ++k) {
        std::u16string path = k == 0 ? u"\\" : u"/";
        for (size_t i = size > 0 ? (k * 131) % size : 0; i + 1 < size && path.size() < 40; i += 2)
            path += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        paths.push_back(path);
    }
    std::u16string longPath = paths[0] + u"\xD800";
    while (longPath.size() <= 2000) longPath += longPath;
    paths.push_back(longPath);
    paths.push_back(u"\\\xD83D");
    return paths;
}

// Random paths through FsFindFirstW and FsExecuteFileW, and one as the verb:
// each answers as any path may, and leaves nothing open.
void DriveRandomPaths(const uint8_t* data, size_t size, size_t markers)
{
    const std::vector<std::u16string> paths = RandomPaths(data, size);
    for (const std::u16string& path : paths) {
        const std::string text = host::Utf8FromUtf16(path);
        std::vector<HANDLE> none;
        const Transcript listing = ListFolder(Interface::Unicode, text);
        CheckListing(listing, true, markers, none);
        for (const CallAnswer& answer : listing)
            if (answer.HasEntry) REQUIRE(!UnpairedSurrogate(host::Utf16FromUtf8(answer.Name)), answer.Text);
        CheckProperties(Execute(Interface::Unicode, text), Interface::Unicode);
    }
    const Transcript verb = Execute(Interface::Unicode, "\\", host::Utf8FromUtf16(paths[0]));
    REQUIRE(verb.size() == 1 && verb[0].Result == 0, verb[0].Text);
    REQUIRE(HotlistClosed());
}

// ---- Listings that overlap ---------------------------------------------------

constexpr size_t kScheduleSteps = 48;
constexpr size_t kMostOpen = 8;

struct OverlappingListing {
    std::string folder;
    bool unicode = false;  // listed through FsFindFirstW and FsFindNextW
    HANDLE handle = INVALID_HANDLE_VALUE;
    size_t answered = 0;     // answers so far, FsFindFirst's included
    std::string entered = {};  // the folder it returned last, to list inside it
    bool ended = false;      // it answered "no more"
    bool failed = false;     // a call failed: what follows is not checked
    bool givenUp = false;    // the library gave it up past its memory bound
};

struct Overlaps {
    bool slashes = false;
    bool mixed = false;  // the hotlist is plain ASCII: listings of either form give the same answers
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

    template <typename Record>
    void Check(OverlappingListing& listing, const host::BasicFindAnswer<Record>& answer)
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
        listing.entered = folder ? (listing.folder == "\\" ? "\\" : listing.folder + "\\") + AsciiName(answer.record)
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
        OverlappingListing listing{folder, mixed && Pick(2) == 1};
        const std::string path = HostForm(folder, slashes);
        const bool found = listing.unicode ? Opened(listing, host::CallFindFirstW(LinkedLibrary(), Widened(path)))
                                           : Opened(listing, host::CallFindFirst(LinkedLibrary(), path));
        if (!found) return;
        REQUIRE(reinterpret_cast<intptr_t>(listing.handle) == handle, folder);
        open.push_back(listing);
    }

    template <typename Record>
    bool Opened(OverlappingListing& listing, const host::BasicFindAnswer<Record>& answer)
    {
        Check(listing, answer);
        listing.handle = answer.handle;
        return answer.found;
    }

    void MoveOn(OverlappingListing& listing)
    {
        if (listing.unicode)
            Check(listing, host::CallFindNextW(LinkedLibrary(), listing.handle));
        else
            Check(listing, host::CallFindNext(LinkedLibrary(), listing.handle));
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
        if (action < 7) return MoveOn(listing);
        Close(static_cast<size_t>(&listing - open.data()));
    }
};

// Runs the schedule `seed` (none for 0) over the folders seen, then closes
// every listing still open: no file may stay open after that.
void Overlap(unsigned seed, bool slashes, bool mixed, const std::vector<std::string>& folders)
{
    if (seed == 0) return;
    Overlaps overlaps{slashes, mixed, seed};
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

    // Where the file is plain ASCII every name is the same in both forms.
    const bool ascii = PlainAscii(hotlist, hotlistSize);
    folders.resize(std::min(folders.size(), maxFolders));
    CompareInterfaces(HostForm("\\", slashes), ascii);
    if (ascii)
        for (size_t i = 1; i < folders.size() && i <= kMostCompared; ++i)
            CompareInterfaces(HostForm(folders[i], slashes), true);
    DriveRandomPaths(hotlist, hotlistSize, markers);
    Overlap((data[2] >> 5) | ((data[3] >> 3) << 3), slashes, ascii, folders);

    for (size_t i = 0; i < bookmarks.size() && i < maxProperties; ++i) {
        const std::string path = HostForm(bookmarks[i], slashes);
        const Transcript answers = Execute(path);
        CheckProperties(answers);
        // A name the listings cut (at 260 bytes, or 259 units) is found by
        // what each form showed, which differs.
        if (!ascii || path.size() >= MAX_PATH - 1) continue;
        const Transcript wide = Execute(Interface::Unicode, path);
        CheckProperties(wide, Interface::Unicode);
        REQUIRE(wide.size() == answers.size() && wide[0].Result == answers[0].Result, Joined(wide) + Joined(answers));
    }
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
