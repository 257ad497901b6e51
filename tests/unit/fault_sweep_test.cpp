// Every file call of a listing of every folder and of a "properties" scan is
// made to fail once, at every position, through the stand-in layer's seam,
// through the ANSI exports and through the Unicode ones alike. Each time the
// export must answer its failure value with the injected code, hold no handle
// once the host is done, and the next listing and "properties" must give
// exactly the fault-free transcript again.
#include <gtest/gtest.h>

#include <errno.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "CodePageControl.h"
#include "LinkedLibrary.h"
#include "FaultInjection.h"
#include "ScanState.h"
#include "TestFiles.h"

namespace {

constexpr std::array<TansyCall, 3> kCalls = {TansyCall::CreateFileA, TansyCall::ReadFile,
                                             TansyCall::CloseHandle};
const char* const kCallNames[] = {"CreateFileA", "ReadFile", "CloseHandle"};
// Access denied, a read fault and a sharing violation.
constexpr std::array<DWORD, 3> kCodes = {ERROR_ACCESS_DENIED, ERROR_READ_FAULT, ERROR_SHARING_VIOLATION};

using Counts = std::array<unsigned, 3>;

Counts CurrentCounts()
{
    Counts counts{};
    for (size_t k = 0; k < kCalls.size(); ++k) counts[k] = TansyCallCount(kCalls[k]);
    return counts;
}

// ---- The hotlist: nested folders, and blocks longer than the read buffer ----

std::string Field(const std::string& key, const std::string& value)
{
    return "\t" + key + "=" + value + "\n";
}

std::string Folder(int id, const std::string& name)
{
    return "#FOLDER\n" + Field("ID", std::to_string(id)) + Field("NAME", name) +
           Field("CREATED", std::to_string(1300000000 + id)) + "\n";
}

std::string Bookmark(int id, const std::string& name, size_t descriptionBytes = 0)
{
    std::string block = "#URL\n" + Field("ID", std::to_string(id)) + Field("NAME", name) +
                        Field("URL", "https://example.org/" + std::to_string(id) + "?a=1&b=2");
    if (descriptionBytes > 0) {
        std::string description;
        for (size_t i = 0; description.size() < descriptionBytes; ++i)
            description += "word" + std::to_string(i) + " ";
        block += Field("DESCRIPTION", description);
    }
    return block + Field("CREATED", std::to_string(1400000000 + id)) +
           Field("VISITED", std::to_string(1500000000 + id)) + "\n";
}

const std::string kEnd = "-\n\n";
const std::string kSeparator = "#SEPERATOR\n\n";

// About 330 KB: a root listing takes six reads of the 64 KiB buffer. The
// descriptions cut lines across buffer boundaries; "Daily" twice in \News
// gives a "properties" scan two boxes with reads between them.
std::string SweepHotlist()
{
    const std::string today = "\xD0\xA1\xD0\xB5\xD0\xB3\xD0\xBE\xD0\xB4\xD0\xBD\xD1\x8F";  // Сегодня
    return "Hotlist version 2.0\nOptions: encoding = utf8, version=3\n\n" +
           Bookmark(1, "Start", 70000) +
           Folder(2, "News") +
             Bookmark(3, "Daily", 90000) +
             kSeparator +
             Folder(4, today) +
               Bookmark(5, "Weather") +
               Folder(6, "Empty") + kEnd +
               Bookmark(7, "Daily", 30000) +
             kEnd +
             Bookmark(8, "Daily", 100000) +
           kEnd +
           Folder(9, "Tools") +
             Bookmark(10, "Search", 40000) +
           kEnd +
           Bookmark(11, "End");
}

// ---- Fault-free references ----------------------------------------------

struct CountedListing {
    Transcript Calls;
    std::vector<Counts> CountsAfter;  // after each call
};

void NoteCounts(const Transcript&, void* context)
{
    static_cast<CountedListing*>(context)->CountsAfter.push_back(CurrentCounts());
}

CountedListing CountedList(Interface form, const std::string& path)
{
    CountedListing listing;
    TansyClearFaults();
    listing.Calls = ListFolder(form, path, true, &NoteCounts, &listing);
    return listing;
}

struct CountedProperties {
    Transcript Calls;
    std::vector<Counts> CountsAtBox;  // when each box was shown
    Counts Total{};
};

void NoteBoxCounts(void* context)
{
    static_cast<CountedProperties*>(context)->CountsAtBox.push_back(CurrentCounts());
}

CountedProperties CountedExecute(Interface form, const std::string& path)
{
    CountedProperties properties;
    TansyClearFaults();
    ObserveBoxes(&NoteBoxCounts, &properties);
    properties.Calls = Execute(form, path);
    ObserveBoxes(nullptr, nullptr);
    properties.Total = CurrentCounts();
    return properties;
}

std::string FailedFirst(const CallAnswer& first, DWORD code)
{
    return first.Text.substr(0, first.Text.find(" = ")) + " = -1 error=" + std::to_string(code);
}

// The listing the host sees when call `n` of kind `k` fails with `code`: the
// fault-free answers up to the export call that makes it, then that call's
// failure answer, then the close (whose own failure is ignored).
Transcript ExpectedListing(const CountedListing& reference, size_t k, unsigned n, DWORD code,
                           bool close)
{
    Transcript expected;
    for (size_t i = 0; i < reference.Calls.size(); ++i) {
        const CallAnswer& answer = reference.Calls[i];
        if (reference.CountsAfter[i][k] < n) {
            expected.push_back(answer);
            continue;
        }
        if (i == 0) {
            expected.push_back({FailedFirst(answer, code)});
        } else if (answer.Text.rfind("next", 0) == 0) {
            expected.push_back({"next = 0 error=" + std::to_string(code)});
            if (close) expected.push_back({"close = 0"});
        } else {
            expected.push_back(answer);
        }
        break;
    }
    return expected;
}

// "properties" answers 1 with the code; the boxes shown before the failing
// call stay shown.
Transcript ExpectedProperties(const CountedProperties& reference, size_t k, unsigned n, DWORD code)
{
    const std::string& exec = reference.Calls[0].Text;
    Transcript expected = {{exec.substr(0, exec.find(" = ")) + " = 1 error=" + std::to_string(code)}};
    for (size_t box = 0; box < reference.CountsAtBox.size(); ++box)
        if (reference.CountsAtBox[box][k] < n) expected.push_back(reference.Calls[box + 1]);
    return expected;
}

bool HotlistClosed()
{
    return HotlistText.Mode != tfInput && TansyOpenHandleCount() == 0;
}

// The fault-free answers of one interface, and the paths they were asked for.
struct References {
    std::vector<std::string> folders;
    std::map<std::string, CountedListing> listings;
    std::map<std::string, CountedProperties> properties;
    std::string targets[2];  // the "properties" requests: two boxes, and one in the Cyrillic folder
};

References ReferencesOf(Interface form)
{
    References references;
    // The Cyrillic folder's name: Windows-1251 bytes for the ANSI exports.
    const std::string today = form == Interface::Ansi ? "\xD1\xE5\xE3\xEE\xE4\xED\xFF"
                                                      : "\xD0\xA1\xD0\xB5\xD0\xB3\xD0\xBE\xD0\xB4\xD0\xBD\xD1\x8F";
    references.targets[0] = "\\News\\Daily";
    references.targets[1] = "\\News\\" + today + "\\Daily";
    references.folders = AllFolders(form);
    for (const std::string& folder : references.folders)
        references.listings[folder] = CountedList(form, folder);
    // A folder that does not exist is swept too.
    references.listings["\\News\\Missing"] = CountedList(form, "\\News\\Missing");
    for (const std::string& target : references.targets)
        references.properties[target] = CountedExecute(form, target);
    return references;
}

class FaultSweep : public ::testing::TestWithParam<Interface> {
protected:
    static void SetUpTestSuite()
    {
        // The ANSI folder names below are Windows-1251 bytes.
        TansySetActiveCodePage(1251);
        TansyClearFaults();
        UseHotlist(WriteTempFile(SweepHotlist()));
        for (const Interface form : {Interface::Ansi, Interface::Unicode}) references_[form] = ReferencesOf(form);
    }

    void SetUp() override
    {
        ASSERT_EQ(Ref().folders.size(), 5u) << "the sweep's hotlist lists wrong";
        ASSERT_TRUE(HotlistClosed());
    }

    void TearDown() override { TansyClearFaults(); }

    static const References& Ref() { return references_.at(GetParam()); }

    static Transcript List(const std::string& folder, bool close = true)
    {
        return ListFolder(GetParam(), folder, close);
    }

    // After a fault is gone, a listing of `folder` and "properties" on the
    // deep bookmark answer exactly as they did without faults, and leave
    // nothing open.
    static void ExpectRecovered(const std::string& folder, const std::string& context)
    {
        TansyClearFaults();
        const std::string& deep = Ref().targets[1];
        EXPECT_EQ(Joined(List(folder)), Joined(Ref().listings.at(folder).Calls)) << context;
        EXPECT_EQ(Joined(Execute(GetParam(), deep)), Joined(Ref().properties.at(deep).Calls)) << context;
        EXPECT_TRUE(HotlistClosed()) << context;
    }

    // A failed listing left open (handle 0) holds its file until it is
    // closed; a listing started meanwhile gets handle 1 and the reference
    // entries.
    static void ExpectListedBesideOpenOne(const std::string& folder, const std::string& context)
    {
        TansyClearFaults();
        EXPECT_EQ(TansyOpenHandleCount(), 1u) << context;
        std::string expected = Joined(Ref().listings.at(folder).Calls);
        const size_t handle = expected.find(" = 0", expected.find(' ') + 1);
        if (expected.rfind("first", 0) == 0 && handle != std::string::npos) expected[handle + 3] = '1';
        EXPECT_EQ(Joined(List(folder)), expected) << context;
        host::CallFindClose(LinkedLibrary(), nullptr);
        EXPECT_TRUE(HotlistClosed()) << context;
    }

    static inline std::map<Interface, References> references_;
};

INSTANTIATE_TEST_SUITE_P(BothInterfaces, FaultSweep, ::testing::Values(Interface::Ansi, Interface::Unicode),
                         [](const ::testing::TestParamInfo<Interface>& param) {
                             return param.param == Interface::Ansi ? "Ansi" : "Unicode";
                         });

TEST_P(FaultSweep, ReferencesReadTheFileInSeveralBlocks)
{
    const CountedListing& root = Ref().listings.at("\\");
    EXPECT_EQ(root.Calls.size(), 6u) << Joined(root.Calls);  // first, 3 x next, end, close
    EXPECT_GE(root.CountsAfter.back()[1], 6u) << "the hotlist must span several reads";
    EXPECT_EQ(root.CountsAfter.back()[0], 1u);
    EXPECT_EQ(root.CountsAfter.back()[2], 1u);
    // Both "Daily" bookmarks of \News, and the one in the Cyrillic folder.
    EXPECT_EQ(Ref().properties.at(Ref().targets[0]).CountsAtBox.size(), 2u);
    EXPECT_EQ(Ref().properties.at(Ref().targets[1]).CountsAtBox.size(), 1u);
}

// Every CreateFileA, ReadFile and CloseHandle of a listing of every folder.
TEST_P(FaultSweep, ListingsFailCleanlyAtEveryCall)
{
    unsigned runs = 0;
    for (const auto& [folder, reference] : Ref().listings) {
        for (size_t k = 0; k < kCalls.size(); ++k) {
            const unsigned calls = reference.CountsAfter.back()[k];
            ASSERT_GT(calls, 0u);
            for (unsigned n = 1; n <= calls; ++n) {
                for (const DWORD code : kCodes) {
                    // Half of the failed listings are left without FsFindClose:
                    // they keep their file while a listing beside them works.
                    const bool close = kCalls[k] != TansyCall::ReadFile || (n + code) % 2 == 0;
                    const std::string context = folder + ": " + kCallNames[k] + " #" +
                                                std::to_string(n) + " fails with " +
                                                std::to_string(code) + (close ? "" : ", no close");
                    TansyClearFaults();
                    TansyFailNthCall(kCalls[k], n, code);
                    const Transcript got = List(folder, close);
                    ++runs;
                    EXPECT_EQ(TansyFaultsStruck(), 1u) << context;
                    const Transcript expected = ExpectedListing(reference, k, n, code, close);
                    EXPECT_EQ(Joined(got), Joined(expected)) << context;
                    if (close || got.back().Text.rfind("first", 0) == 0) {
                        EXPECT_TRUE(HotlistClosed()) << context;
                    } else {
                        ExpectListedBesideOpenOne(folder, context);
                    }
                    ExpectRecovered(folder, context);
                }
            }
        }
    }
    RecordProperty("faulted_listings", static_cast<int>(runs));
    std::printf("fault sweep: %u faulted listings over %zu folders\n", runs, Ref().listings.size());
}

// Every CreateFileA, ReadFile and CloseHandle of a "properties" scan.
TEST_P(FaultSweep, PropertiesFailCleanlyAtEveryCall)
{
    unsigned runs = 0;
    for (const auto& [target, reference] : Ref().properties) {
        for (size_t k = 0; k < kCalls.size(); ++k) {
            const unsigned calls = reference.Total[k];
            ASSERT_GT(calls, 0u);
            for (unsigned n = 1; n <= calls; ++n) {
                for (const DWORD code : kCodes) {
                    const std::string context = "properties " + target + ": " + kCallNames[k] +
                                                " #" + std::to_string(n) + " fails with " +
                                                std::to_string(code);
                    TansyClearFaults();
                    TansyFailNthCall(kCalls[k], n, code);
                    const Transcript got = Execute(GetParam(), target);
                    ++runs;
                    EXPECT_EQ(TansyFaultsStruck(), 1u) << context;
                    EXPECT_EQ(Joined(got), Joined(ExpectedProperties(reference, k, n, code))) << context;
                    EXPECT_TRUE(HotlistClosed()) << context;
                    ExpectRecovered("\\News", context);
                }
            }
        }
    }
    RecordProperty("faulted_properties", static_cast<int>(runs));
    std::printf("fault sweep: %u faulted properties scans\n", runs);
}

// The system calls beneath them, failing with errno values the layer
// translates (EIO: read fault 30, EACCES: access denied 5, EMFILE: too many
// open files 4). Their counts are not exposed, so N runs up until a run no
// longer reaches the N-th call; each faulted transcript must be the
// fault-free one up to one call that fails with the translated code.
TEST_P(FaultSweep, SystemCallFailuresAreTranslated)
{
    struct SystemCall {
        TansySystemCall call;
        const char* name;
    };
    const SystemCall calls[] = {
        {TansySystemCall::Stat, "stat"},   {TansySystemCall::Open, "open"},
        {TansySystemCall::Fstat, "fstat"}, {TansySystemCall::Fcntl, "fcntl"},
        {TansySystemCall::Flock, "flock"}, {TansySystemCall::Read, "read"},
        {TansySystemCall::Close, "close"},
    };
    const std::pair<int, DWORD> errors[] = {{EIO, ERROR_READ_FAULT},
                                            {EACCES, ERROR_ACCESS_DENIED},
                                            {EMFILE, ERROR_TOO_MANY_OPEN_FILES}};
    const std::string folder = "\\News";
    const Transcript& reference = Ref().listings.at(folder).Calls;
    unsigned runs = 0;
    for (const SystemCall& call : calls) {
        unsigned struck = 0;
        for (unsigned n = 1; n < 100; ++n) {
            bool reached = false;
            for (const auto& [error, code] : errors) {
                const std::string context = folder + ": " + call.name + " #" + std::to_string(n) +
                                            " fails with errno " + std::to_string(error);
                TansyClearFaults();
                TansyFailNthSystemCall(call.call, n, error);
                const Transcript got = List(folder);
                if (TansyFaultsStruck() == 0) break;
                reached = true;
                ++runs;
                size_t same = 0;
                while (same < got.size() && same < reference.size() && got[same] == reference[same])
                    ++same;
                if (same == reference.size()) {
                    // Only a failing close inside FsFindClose goes unnoticed.
                    EXPECT_EQ(call.call, TansySystemCall::Close) << context;
                } else {
                    ASSERT_LT(same, got.size()) << context << "\n" << Joined(got);
                    Transcript expected(reference.begin(), reference.begin() + same);
                    if (same == 0) {
                        expected.push_back({FailedFirst(reference[0], code)});
                    } else {
                        expected.push_back({"next = 0 error=" + std::to_string(code)});
                        expected.push_back({"close = 0"});
                    }
                    EXPECT_EQ(Joined(got), Joined(expected)) << context;
                }
                EXPECT_TRUE(HotlistClosed()) << context;
                ExpectRecovered(folder, context);
            }
            if (!reached) break;
            ++struck;
        }
        EXPECT_GT(struck, 0u) << call.name << " is never called by a listing";
    }
    RecordProperty("faulted_system_calls", static_cast<int>(runs));
    std::printf("fault sweep: %u faulted system calls\n", runs);
}

// A read that reports a broken pipe is the end of the input, not a failure:
// the listing ends early and cleanly, and the next one is whole again.
TEST_P(FaultSweep, BrokenPipeEndsTheInput)
{
    const CountedListing& reference = Ref().listings.at("\\");
    const unsigned reads = reference.CountsAfter.back()[1];
    for (unsigned n = 2; n <= reads; ++n) {
        const std::string context = "ReadFile #" + std::to_string(n) + " reports a broken pipe";
        TansyClearFaults();
        TansyFailNthCall(TansyCall::ReadFile, n, ERROR_BROKEN_PIPE);
        const Transcript got = List("\\");
        EXPECT_EQ(TansyFaultsStruck(), 1u) << context;
        // The entries before the one being read when the input ended are whole.
        ASSERT_LE(got.size(), reference.Calls.size()) << context;
        for (size_t i = 0; i + 3 < got.size(); ++i)
            EXPECT_EQ(got[i], reference.Calls[i]) << context;
        if (got.size() == 1) {
            EXPECT_EQ(got[0].Text, FailedFirst(reference.Calls[0], ERROR_NO_MORE_FILES)) << context;
        } else {
            EXPECT_EQ(got.back().Text, "close = 0") << context;
            EXPECT_EQ(got[got.size() - 2].Text.rfind("next = 0", 0), 0u) << context;
        }
        EXPECT_TRUE(HotlistClosed()) << context;
        ExpectRecovered("\\", context);
    }
}

}  // namespace
