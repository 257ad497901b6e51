// Hostile files, paths and arguments through the in-process exports: none
// may crash, hang or leave the hotlist open, and each fails with a clear
// code where it fails at all.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <vector>

#include "CodePageControl.h"
#include "LinkedLibrary.h"
#include "FaultInjection.h"
#include "ScanState.h"
#include "Walk.h"
#include "TANSY_WFX.h"
#include "TestFiles.h"

namespace {

const std::string kHeader = "Hotlist version 2.0\nOptions: encoding = utf8, version=3\n\n";

std::string Bookmark(int id, const std::string& name)
{
    return "#URL\n\tID=" + std::to_string(id) + "\n\tNAME=" + name + "\n\tURL=https://example.org/" +
           std::to_string(id) + "\n\tCREATED=" + std::to_string(1400000000 + id) + "\n\n";
}

std::string Folder(int id, const std::string& name)
{
    return "#FOLDER\n\tID=" + std::to_string(id) + "\n\tNAME=" + name + "\n\n";
}

// A well-formed file; after any hostile input its listings must be exact.
std::string SmallHotlist()
{
    return kHeader + Bookmark(1, "One") + Folder(2, "Box") + Bookmark(3, "Inner") + "-\n\n" +
           Bookmark(4, "Two");
}

const char* const kSmallRoot =
    "first \\ = 0 attr=0 size=0:1 created=0:1400000001 accessed=0:0 written=0:0 reserved=0:0 name=One\n"
    "next = -1 attr=16 size=0:2 created=0:0 accessed=0:0 written=0:0 reserved=0:0 name=Box\n"
    "next = -1 attr=0 size=0:4 created=0:1400000004 accessed=0:0 written=0:0 reserved=0:0 name=Two\n";

bool HotlistClosed()
{
    return HotlistText.Mode != tfInput && TansyOpenHandleCount() == 0;
}

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = TansyActiveCodePage();
        TansySetActiveCodePage(1251);
        TansyClearFaults();
        ASSERT_TRUE(HotlistClosed());
    }
    void TearDown() override
    {
        EXPECT_TRUE(HotlistClosed());
        TansySetActiveCodePage(saved_);
    }

    // The root of the small well-formed hotlist lists exactly.
    static void ExpectSmallHotlistLists()
    {
        UseHotlist(WriteTempFile(SmallHotlist()));
        const std::string got = Joined(ListFolder("\\"));
        EXPECT_EQ(got.substr(0, got.find("next = 0")), kSmallRoot);
        EXPECT_TRUE(HotlistClosed());
    }

    // Every successful answer handed over a record with its name inside it.
    static void ExpectSoundAnswers(const Transcript& transcript, const std::string& context)
    {
        for (const CallAnswer& answer : transcript) {
            EXPECT_EQ(answer.Text.find("unterminated"), std::string::npos) << context;
            EXPECT_EQ(answer.Text.find("untouched"), std::string::npos) << context;
        }
    }

private:
    UINT saved_ = 0;
};

// ---- Hostile contents --------------------------------------------------

// Random bytes, and random lines built from the format's own pieces, which
// reach far deeper into the walk than noise does.
TEST_F(HostileInput, RandomFilesAreListedSafely)
{
    std::mt19937 random(20240611);
    const char* const pieces[] = {"#FOLDER\n", "#URL\n", "#SEPERATOR\n", "-\n", "\n", "\tNAME=x\n",
                                  "\tNAME=\xD0\n", "\tID=12\n", "\tID=\n", "\tCREATED=4294967295\n",
                                  "#junk\n", "\r", "\x1A", "\xEF\xBB\xBF", "\tNAME=Box\n"};
    for (int round = 0; round < 60; ++round) {
        std::string bytes;
        const size_t size = random() % 3000;
        if (round % 2 == 0) {
            for (size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>(random()));
        } else {
            while (bytes.size() < size) bytes += pieces[random() % std::size(pieces)];
        }
        UseHotlist(WriteTempFile(bytes));
        const std::string context = "round " + std::to_string(round);
        for (const std::string& folder : {std::string("\\"), std::string("\\x"), std::string("\\Box")}) {
            const Transcript listing = ListFolder(folder);
            ExpectSoundAnswers(listing, context);
            EXPECT_TRUE(HotlistClosed()) << context;
        }
        for (const std::string& folder : AllFolders()) ExpectSoundAnswers(ListFolder(folder), context);
        const Transcript properties = Execute("\\x");
        EXPECT_TRUE(properties[0].Text.find(" = 0") != std::string::npos ||
                    properties[0].Text.find(" = 1 error=13") != std::string::npos)
            << context << ": " << properties[0].Text;
        EXPECT_TRUE(HotlistClosed()) << context;
    }
    TakeBoxes();
    ExpectSmallHotlistLists();
}

// One line of 100 MB is read whole, in blocks, whether it is header text or
// a field of a bookmark, and the entries around it come out right.
TEST_F(HostileInput, HundredMegabyteLine)
{
    const size_t kLine = 100u << 20;
    const std::string path = TempDir() + "/long-line.hotlist";
    {
        std::ofstream out(path, std::ios::binary);
        const std::string chunk(1 << 20, 'h');
        out << "Header ";
        for (size_t i = 0; i < kLine / chunk.size(); ++i) out << chunk;
        out << "\n\n" << Bookmark(1, "Before");
        out << "#URL\n\tID=2\n\tNAME=Huge\n\tX-DATA=";
        for (size_t i = 0; i < kLine / chunk.size(); ++i) out << chunk;
        out << "\n\tCREATED=7\n\n" << Bookmark(3, "After");
        ASSERT_TRUE(out.good());
    }
    UseHotlist(path);
    const std::string got = Joined(ListFolder("\\"));
    EXPECT_NE(got.find("name=Before\n"), std::string::npos) << got;
    EXPECT_NE(got.find("size=0:2 created=0:7 accessed=0:0 written=0:0 reserved=0:0 name=Huge\n"),
              std::string::npos)
        << got;
    EXPECT_NE(got.find("name=After\n"), std::string::npos) << got;
    const Transcript properties = Execute("\\After");
    ASSERT_EQ(properties.size(), 2u) << Joined(properties);
    EXPECT_EQ(properties[0].Text, "exec properties \\After = 0");
    // Releases the buffers the long line grew.
    ScanWalk.CurLine = WideString();
    unlink(path.c_str());
}

// A line without any break that fills the whole file holds no entry.
TEST_F(HostileInput, FileOfOneLineWithoutBreak)
{
    UseHotlist(WriteTempFile(std::string(300000, '#')));
    EXPECT_EQ(Joined(ListFolder("\\")), "first \\ = -1 error=18\n");
    UseHotlist(WriteTempFile("#FOLDER"));
    EXPECT_EQ(Joined(ListFolder("\\")), "first \\ = -1 error=18\n");
}

// ---- The file changes during a listing ----------------------------------

// A hotlist larger than one read, so FsFindNext reads after FsFindFirst.
std::string LargeHotlist(int entries)
{
    std::string text = kHeader;
    for (int i = 1; i <= entries; ++i) text += Bookmark(i, "Entry" + std::to_string(i));
    return text;
}

struct OpenListing {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::vector<std::string> names;
};

OpenListing StartListing(const std::string& path)
{
    OpenListing listing;
    const host::FindAnswer first = host::CallFindFirst(LinkedLibrary(), path);
    listing.handle = first.handle;
    if (first.found) listing.names.push_back(host::NameOf(first.record));
    return listing;
}

// Reads the rest of the listing and closes it; every record is sound.
void FinishListing(OpenListing& listing)
{
    host::ListingOptions options;
    options.after = [&listing](const host::FindAnswer& answer) {
        if (answer.step == host::FindStep::Close) {
            EXPECT_EQ(answer.result, 0);
        }
        if (!answer.found) return;
        EXPECT_TRUE(host::NameEndsInRecord(answer.record));
        listing.names.push_back(host::NameOf(answer.record));
    };
    host::FinishListing(LinkedLibrary(), listing.handle, options);
}

TEST_F(HostileInput, FileTruncatedDuringListing)
{
    const std::string path = WriteTempFile(LargeHotlist(3000));
    UseHotlist(path);
    OpenListing listing = StartListing("\\");
    ASSERT_EQ(listing.names.size(), 1u);
    ASSERT_EQ(truncate(path.c_str(), 50), 0);  // inside the header
    FinishListing(listing);
    // What the first block held is listed (the last entry maybe cut short);
    // the cut ends the listing.
    EXPECT_LT(listing.names.size(), 3000u);
    for (size_t i = 0; i + 1 < listing.names.size(); ++i)
        EXPECT_EQ(listing.names[i], "Entry" + std::to_string(i + 1));
    EXPECT_TRUE(HotlistClosed());
    // The next listing reads the file as it is now: a header and nothing more.
    EXPECT_EQ(Joined(ListFolder("\\")), "first \\ = -1 error=18\n");
}

TEST_F(HostileInput, FileGrownDuringListing)
{
    const std::string path = WriteTempFile(LargeHotlist(1000));
    UseHotlist(path);
    OpenListing listing = StartListing("\\");
    ASSERT_EQ(listing.names.size(), 1u);
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << Bookmark(1001, "Late");
    }
    FinishListing(listing);
    // The walk reads forward, so the appended entry arrives at the end.
    ASSERT_EQ(listing.names.size(), 1001u);
    EXPECT_EQ(listing.names.back(), "Late");
    EXPECT_TRUE(HotlistClosed());
}

TEST_F(HostileInput, FileReplacedDuringListing)
{
    const std::string path = WriteTempFile(LargeHotlist(2000));
    UseHotlist(path);
    OpenListing listing = StartListing("\\");
    ASSERT_EQ(listing.names.size(), 1u);
    const std::string replacement = WriteTempFile(SmallHotlist());
    ASSERT_EQ(rename(replacement.c_str(), path.c_str()), 0);
    FinishListing(listing);
    // The open handle still reads the file it opened.
    ASSERT_EQ(listing.names.size(), 2000u);
    EXPECT_EQ(listing.names.back(), "Entry2000");
    const std::string got = Joined(ListFolder("\\"));
    EXPECT_EQ(got.substr(0, got.find("next = 0")), kSmallRoot);
}

// ---- Hotlist paths that name no regular file ----------------------------

// FsFindFirst fails with `code`, and so does "properties", promptly.
void ExpectRefused(const std::string& path, DWORD code)
{
    UseHotlist(path);
    auto listing = std::async(std::launch::async, [] { return Joined(ListFolder("\\")); });
    if (listing.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << "listing " << path << " does not return";
        std::_Exit(1);  // the blocked thread cannot be ended any other way
    }
    EXPECT_EQ(listing.get(), "first \\ = -1 error=" + std::to_string(code) + "\n") << path;
    EXPECT_EQ(Joined(Execute("\\x")), "exec properties \\x = 1 error=" + std::to_string(code) + "\n")
        << path;
    EXPECT_TRUE(HotlistClosed()) << path;
}

TEST_F(HostileInput, FolderIsAccessDenied)
{
    ExpectRefused(TempDir(), ERROR_ACCESS_DENIED);
    ExpectRefused(TempDir() + "/", ERROR_ACCESS_DENIED);
}

TEST_F(HostileInput, FifoWithoutWriterFailsAtOnce)
{
    const std::string fifo = TempDir() + "/hotlist-fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ExpectRefused(fifo, ERROR_ACCESS_DENIED);
    unlink(fifo.c_str());
}

// Devices are no hotlists: /dev/zero would never end and /dev/tty would wait
// for the user, so every non-regular file is refused before it is read.
TEST_F(HostileInput, DevicesAreRefused)
{
    ExpectRefused("/dev/null", ERROR_ACCESS_DENIED);
    ExpectRefused("/dev/zero", ERROR_ACCESS_DENIED);
    // A link to a device is the device.
    const std::string link = TempDir() + "/zero-link";
    ASSERT_EQ(symlink("/dev/zero", link.c_str()), 0);
    ExpectRefused(link, ERROR_ACCESS_DENIED);
    unlink(link.c_str());
}

TEST_F(HostileInput, MissingFileAndFolder)
{
    ExpectRefused(TempDir() + "/none.hotlist", ERROR_FILE_NOT_FOUND);
    ExpectRefused(TempDir() + "/none/none.hotlist", ERROR_PATH_NOT_FOUND);
}

// The configured name holds at most 255 bytes, below every limit of the
// system; a longer setting arrives cut and names a file that is not there.
TEST_F(HostileInput, OverlongHotlistPaths)
{
    const std::string folder = TempDir() + "/" + std::string(200, 'f');
    const std::string cut = (folder + "/" + std::string(200, 'g')).substr(0, 255);
    HotlistFileName = ShortFromZString((folder + "/" + std::string(200, 'g')).c_str());
    ASSERT_EQ(AnsiFromShort(HotlistFileName), cut);
    ExpectRefused(cut, ERROR_PATH_NOT_FOUND);
    // The longest name a configuration can give, one component at the root.
    ExpectRefused("/" + std::string(254, 'n'), ERROR_FILE_NOT_FOUND);
}

// Host paths far longer than any real path: no entry, no overrun.
TEST_F(HostileInput, OverlongHostPaths)
{
    UseHotlist(WriteTempFile(SmallHotlist()));
    const std::string longPath = "\\" + std::string(1 << 20, 'p');
    const Transcript listing = ListFolder(longPath);
    ASSERT_EQ(listing.size(), 1u);
    EXPECT_TRUE(listing[0].Text.ends_with(" = -1 error=18"));
    const Transcript properties = Execute(longPath + "\\One");
    ASSERT_EQ(properties.size(), 1u);
    EXPECT_TRUE(properties[0].Text.ends_with(" = 0"));
    const std::string manyLevels = [] {
        std::string path;
        for (int i = 0; i < 50000; ++i) path += "\\Box";
        return path;
    }();
    EXPECT_EQ(ListFolder(manyLevels).size(), 1u);
    ExpectSmallHotlistLists();
}

// ---- Deep nesting -------------------------------------------------------

TEST_F(HostileInput, TenThousandNestedFolders)
{
    constexpr int kDepth = 10000;
    std::string text = kHeader;
    std::string deepest;
    for (int i = 1; i <= kDepth; ++i) {
        text += Folder(i, "d" + std::to_string(i % 10));
        deepest += "\\d" + std::to_string(i % 10);
    }
    text += Bookmark(kDepth + 1, "Bottom");
    for (int i = 0; i < kDepth; ++i) text += "-\n\n";
    text += Bookmark(kDepth + 2, "Top");
    UseHotlist(WriteTempFile(text));

    const Transcript bottom = ListFolder(deepest);
    ASSERT_EQ(bottom.size(), 3u) << Joined(bottom).substr(0, 500);
    EXPECT_NE(bottom[0].Text.find("name=Bottom"), std::string::npos);
    EXPECT_EQ(bottom[1].Text.rfind("next = 0", 0), 0u);

    const Transcript root = ListFolder("\\");
    ASSERT_EQ(root.size(), 4u) << Joined(root);
    EXPECT_NE(root[0].Text.find("name=d1"), std::string::npos);
    EXPECT_NE(root[1].Text.find("name=Top"), std::string::npos);

    // One level above the bottom lists the deepest folder only.
    const Transcript above = ListFolder(deepest.substr(0, deepest.size() - 3));
    ASSERT_EQ(above.size(), 3u);
    EXPECT_NE(above[0].Text.find("attr=16 size=0:10000 "), std::string::npos) << above[0].Text;

    const Transcript properties = Execute(deepest + "\\Bottom");
    ASSERT_EQ(properties.size(), 2u) << Joined(properties);
    EXPECT_TRUE(properties[0].Text.ends_with(" = 0"));
    EXPECT_EQ(Execute("\\Top").size(), 2u);
    EXPECT_EQ(Execute(deepest + "\\Top").size(), 1u);

    // Unclosed: the file ends 10000 levels deep.
    text.resize(text.find("-\n\n"));
    UseHotlist(WriteTempFile(text));
    EXPECT_EQ(ListFolder(deepest).size(), 3u);
    EXPECT_EQ(ListFolder("\\").size(), 3u);
}

// ---- Calls from inside a box ---------------------------------------------

// The file manager's properties box is modal, and while it is up the host
// runs queued work that calls in again. Inside the first of two boxes every
// call that would touch the running scan answers "busy" and leaves it alone.
void CallInsideTheFirstBox(void* context)
{
    auto& answers = *static_cast<std::vector<std::string>*>(context);
    if (!answers.empty()) return;
    const host::DrivenLibrary& library = LinkedLibrary();
    const host::FindAnswer first = host::CallFindFirst(library, "\\");
    answers.push_back("first " + std::to_string(first.result) + " " + std::to_string(first.error));
    const host::FindAnswer next = host::CallFindNext(library, first.handle);
    answers.push_back("next " + std::to_string(next.result) + " " + std::to_string(next.error));
    const host::FindAnswer close = host::CallFindClose(library, first.handle);
    answers.push_back("close " + std::to_string(close.result) + (HotlistText.Mode == tfInput ? " open" : " closed"));
    const host::ExecuteAnswer properties = host::CallExecuteFile(library, nullptr, "\\Twin", "properties");
    answers.push_back("properties " + std::to_string(properties.result) + " " + std::to_string(properties.error));
}

TEST_F(HostileInput, CallsFromInsideABoxFindThePluginBusy)
{
    UseHotlist(WriteTempFile(kHeader + Bookmark(1, "Twin") + Bookmark(2, "Twin")));
    std::vector<std::string> answers;
    ObserveBoxes(&CallInsideTheFirstBox, &answers);
    const Transcript properties = Execute("\\Twin");
    ObserveBoxes(nullptr, nullptr);
    EXPECT_EQ(answers, (std::vector<std::string>{"first -1 170", "next 0 170", "close 0 open", "properties 1 170"}));
    ASSERT_EQ(properties.size(), 3u) << Joined(properties);
    EXPECT_EQ(properties[0].Text, "exec properties \\Twin = 0");
    EXPECT_NE(properties[2].Text.find("ID: 2"), std::string::npos) << properties[2].Text;
    ExpectSmallHotlistLists();
}

// ---- Null pointers from the host ----------------------------------------

TEST_F(HostileInput, NullRecordsAndBuffers)
{
    UseHotlist(WriteTempFile(SmallHotlist()));
    char root[] = "\\";

    SetLastError(0);
    EXPECT_EQ(FsFindFirst(root, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(HotlistClosed());

    // A null record in the middle of a listing ends it with the same code;
    // the file stays open for FsFindClose.
    WIN32_FIND_DATAA record{};
    const HANDLE handle = FsFindFirst(root, &record);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FsFindNext(handle, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FsFindClose(handle), 0);
    EXPECT_TRUE(HotlistClosed());

    // A null record beside a listing the host has not closed leaves that
    // listing and its file alone.
    const HANDLE open = FsFindFirst(root, &record);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FsFindFirst(root, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(TansyOpenHandleCount(), 1u);
    EXPECT_EQ(FsFindClose(open), 0);
    EXPECT_TRUE(HotlistClosed());

    // A null path is the empty path: no such folder.
    EXPECT_EQ(FsFindFirst(nullptr, &record), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_EQ(FsFindFirst(nullptr, nullptr), INVALID_HANDLE_VALUE);

    // Close without a listing, twice.
    EXPECT_EQ(FsFindClose(nullptr), 0);
    EXPECT_EQ(FsFindClose(INVALID_HANDLE_VALUE), 0);

    // The root name: nothing written without a buffer or room.
    TakeBoxes();
    FsGetDefRootName(nullptr, 260);
    FsGetDefRootName(nullptr, 0);
    char buffer[8];
    std::memset(buffer, 0xEE, sizeof buffer);
    FsGetDefRootName(buffer, 0);
    FsGetDefRootName(buffer, -5);
    for (const char c : buffer) EXPECT_EQ(static_cast<unsigned char>(c), 0xEE);
    FsGetDefRootName(buffer, 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(static_cast<unsigned char>(buffer[1]), 0xEE);
    EXPECT_EQ(TakeBoxes().size(), 5u);

    // Execute with null verb and null path.
    char properties[] = "properties";
    char path[] = "\\One";
    EXPECT_EQ(FsExecuteFile(nullptr, path, nullptr), 0);
    EXPECT_EQ(FsExecuteFile(nullptr, nullptr, properties), 0);
    EXPECT_EQ(FsExecuteFile(nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(TakeBoxes().empty());
    EXPECT_EQ(FsExecuteFile(nullptr, path, properties), 0);
    EXPECT_EQ(TakeBoxes().size(), 1u);

    FsStatusInfo(nullptr, 0, 0);
    EXPECT_EQ(FsInit(0, nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(HotlistClosed());
    ExpectSmallHotlistLists();
}

}  // namespace
