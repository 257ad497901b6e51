// Listings that overlap, through the in-process exports: depth-first
// recursion deeper than the readers the listings share, listings used in
// turn, listings given up past the memory budget, handles that name no
// listing, and a listing open across a "properties" request. Each listing
// must give exactly the entries a listing of its folder alone gives.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "CodePageControl.h"
#include "FaultInjection.h"
#include "LinkedLibrary.h"
#include "Listings.h"
#include "ScanState.h"
#include "TestFiles.h"

namespace {

const std::string kHeader = "Hotlist version 2.0\n\n";

std::string Bookmark(int id, const std::string& name)
{
    return "#URL\n\tID=" + std::to_string(id) + "\n\tNAME=" + name + "\n\n";
}

// Folders `depth` deep, each holding a bookmark before and after its
// sub-folder, so that every listing goes on after a nested one.
std::string Nest(int depth)
{
    std::string text = kHeader;
    for (int level = 0; level < depth; ++level)
        text += Bookmark(100 + level, "before") + "#FOLDER\n\tID=" + std::to_string(level) + "\n\tNAME=L" +
                std::to_string(level) + "\n\n";
    text += Bookmark(99, "bottom");
    for (int level = depth - 1; level >= 0; --level) text += "-\n\n" + Bookmark(200 + level, "after");
    return text;
}

std::string Child(const std::string& folder, const std::string& name)
{
    return (folder == "\\" ? folder : folder + "\\") + name;
}

// The entries of a listing, one "name size" per line; a folder's name ends in "\".
std::string Entries(const Transcript& listing)
{
    std::string entries;
    for (const CallAnswer& answer : listing)
        if (answer.HasEntry) entries += answer.Name + (answer.IsFolder ? "\\" : "") + "\n";
    return entries;
}

// Lists `folder` depth first as a recursive host does, each sub-folder's
// listing inside its parent's; appends every entry seen, as a path.
void ListDepthFirst(const std::string& folder, std::vector<std::string>& seen)
{
    const host::DrivenLibrary& library = LinkedLibrary();
    host::FindAnswer answer = host::CallFindFirst(library, folder);
    if (!answer.found) return;
    const HANDLE handle = answer.handle;
    while (answer.found) {
        const std::string path = Child(folder, host::NameOf(answer.record));
        seen.push_back(path);
        if ((answer.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) ListDepthFirst(path, seen);
        answer = host::CallFindNext(library, handle);
        EXPECT_LE(TansyOpenHandleCount(), kListingReaders);
    }
    EXPECT_EQ(answer.error, 0u) << folder;
    host::CallFindClose(library, handle);
}

class OverlappingListings : public ::testing::Test {
protected:
    void SetUp() override
    {
        TansySetActiveCodePage(1251);
        TansyClearFaults();
    }
    void TearDown() override
    {
        TansyClearFaults();
        EXPECT_EQ(TansyOpenHandleCount(), 0u);
    }
};

TEST_F(OverlappingListings, DepthFirstRecursionSeesTheWholeTree)
{
    UseHotlist(WriteTempFile(Nest(12)));
    std::vector<std::string> seen;
    ListDepthFirst("\\", seen);
    // Each level: "before", its sub-folder, "after"; and the bottom bookmark.
    ASSERT_EQ(seen.size(), 12u * 3 + 1);
    std::string folder = "\\";
    for (int level = 0; level < 12; ++level) {
        const std::string sub = Child(folder, "L" + std::to_string(level));
        EXPECT_EQ(Entries(ListFolder(folder)), "before\nL" + std::to_string(level) + "\\\nafter\n") << folder;
        folder = sub;
    }
}

TEST_F(OverlappingListings, ListingsUsedInTurnEachGiveTheirOwnEntries)
{
    UseHotlist(WriteTempFile(Nest(8)));
    const host::DrivenLibrary& library = LinkedLibrary();
    std::vector<std::string> folders = {"\\"};
    for (int level = 0; level < 7; ++level) folders.push_back(Child(folders.back(), "L" + std::to_string(level)));
    std::map<std::string, std::string> alone;
    for (const std::string& folder : folders) alone[folder] = Entries(ListFolder(folder));

    // More listings than readers, one call each in turn.
    std::vector<HANDLE> handles;
    std::vector<Transcript> got(folders.size());
    for (size_t i = 0; i < folders.size(); ++i) {
        const host::FindAnswer first = host::CallFindFirst(library, folders[i]);
        ASSERT_TRUE(first.found) << folders[i];
        EXPECT_EQ(first.handle, reinterpret_cast<HANDLE>(static_cast<intptr_t>(i))) << "the lowest free number";
        handles.push_back(first.handle);
        got[i].push_back({"first"});
        got[i].back().HasEntry = true;
        got[i].back().Name = host::NameOf(first.record);
        got[i].back().IsFolder = (first.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    for (int round = 0; round < 3; ++round)
        for (size_t i = folders.size(); i-- > 0;) {
            const host::FindAnswer next = host::CallFindNext(library, handles[i]);
            if (!next.found) continue;
            got[i].push_back({"next"});
            got[i].back().HasEntry = true;
            got[i].back().Name = host::NameOf(next.record);
            got[i].back().IsFolder = (next.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        }
    EXPECT_LE(TansyOpenHandleCount(), kListingReaders);
    for (size_t i = 0; i < folders.size(); ++i) {
        EXPECT_EQ(Entries(got[i]), alone[folders[i]]) << folders[i];
        EXPECT_EQ(host::CallFindClose(library, handles[i]).result, 0);
    }
}

TEST_F(OverlappingListings, HandlesThatNameNoListing)
{
    UseHotlist(WriteTempFile(Nest(2)));
    const host::DrivenLibrary& library = LinkedLibrary();
    const host::FindAnswer open = host::CallFindFirst(library, "\\");
    ASSERT_TRUE(open.found);
    for (const intptr_t number : {intptr_t{-1}, intptr_t{1}, intptr_t{7}, intptr_t{1} << 40}) {
        const HANDLE handle = reinterpret_cast<HANDLE>(number);
        const host::FindAnswer next = host::CallFindNext(library, handle);
        EXPECT_FALSE(next.found);
        EXPECT_EQ(next.error, ERROR_INVALID_HANDLE) << number;
        EXPECT_EQ(host::CallFindClose(library, handle).result, 0);
    }
    // The open listing went on untouched; closed, its handle names nothing.
    EXPECT_EQ(host::NameOf(host::CallFindNext(library, open.handle).record), "L0");
    host::CallFindClose(library, open.handle);
    EXPECT_EQ(host::CallFindNext(library, open.handle).error, ERROR_INVALID_HANDLE);
    EXPECT_EQ(host::CallFindClose(library, open.handle).result, 0);
}

TEST_F(OverlappingListings, ListingsPastTheBudgetAreGivenUpOldestFirst)
{
    // A folder name of 200,000 characters: each listing inside it holds its
    // path twice (listed and current) as UTF-16.
    const std::string name(200000, 'n');
    UseHotlist(WriteTempFile(kHeader + "#FOLDER\n\tID=1\n\tNAME=" + name + "\n\n" + Bookmark(2, "a") +
                             Bookmark(3, "b") + "-\n"));
    const std::string folder = "\\" + name;
    const host::DrivenLibrary& library = LinkedLibrary();
    const size_t perListing = 2 * 2 * (name.size() + 1);
    const size_t kept = kListingMemoryBudget / perListing;
    std::vector<HANDLE> handles;
    for (size_t i = 0; i < kept + 3; ++i) handles.push_back(host::CallFindFirst(library, folder).handle);
    // The oldest were given up: they answer so, and the newest go on.
    const host::FindAnswer given = host::CallFindNext(library, handles[0]);
    EXPECT_FALSE(given.found);
    EXPECT_EQ(given.error, ERROR_TOO_MANY_OPEN_FILES);
    EXPECT_EQ(host::NameOf(host::CallFindNext(library, handles.back()).record), "b");
    EXPECT_LE(::Listings.Footprints, kListingMemoryBudget + 2 * perListing);
    // A given-up listing keeps its number until the host closes it.
    EXPECT_EQ(host::CallFindFirst(library, folder).handle,
              reinterpret_cast<HANDLE>(static_cast<intptr_t>(handles.size())));
    handles.push_back(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handles.size())));
    for (const HANDLE handle : handles) EXPECT_EQ(host::CallFindClose(library, handle).result, 0);
    EXPECT_TRUE(::Listings.Slots.empty());
}

TEST_F(OverlappingListings, AListingResumesAfterItsReaderCouldNotBeReopened)
{
    UseHotlist(WriteTempFile(Nest(6)));
    const host::DrivenLibrary& library = LinkedLibrary();
    const HANDLE root = host::CallFindFirst(library, "\\").handle;
    // Enough listings to take every reader from the root's listing.
    std::vector<HANDLE> others;
    for (size_t i = 0; i < kListingReaders; ++i) others.push_back(host::CallFindFirst(library, "\\L0").handle);
    TansyFailNthCall(TansyCall::CreateFileA, 1, ERROR_SHARING_VIOLATION);
    const host::FindAnswer failed = host::CallFindNext(library, root);
    EXPECT_FALSE(failed.found);
    EXPECT_EQ(failed.error, ERROR_SHARING_VIOLATION);
    // The next call reopens the file where the walk stood.
    EXPECT_EQ(host::NameOf(host::CallFindNext(library, root).record), "L0");
    EXPECT_EQ(host::NameOf(host::CallFindNext(library, root).record), "after");
    for (const HANDLE handle : others) host::CallFindClose(library, handle);
    host::CallFindClose(library, root);
}

TEST_F(OverlappingListings, AListingOpenAcrossPropertiesComesOutWhole)
{
    UseHotlist(WriteTempFile(Nest(3)));
    const host::DrivenLibrary& library = LinkedLibrary();
    const std::string alone = Entries(ListFolder("\\L0"));
    Transcript got;
    host::FindAnswer answer = host::CallFindFirst(library, "\\L0");
    const HANDLE handle = answer.handle;
    while (answer.found) {
        got.push_back({"entry"});
        got.back().HasEntry = true;
        got.back().Name = host::NameOf(answer.record);
        got.back().IsFolder = (answer.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        EXPECT_EQ(Execute("\\L0\\L1\\L2\\bottom").size(), 2u) << "one box";
        answer = host::CallFindNext(library, handle);
    }
    host::CallFindClose(library, handle);
    EXPECT_EQ(Entries(got), alone);
}

}  // namespace
