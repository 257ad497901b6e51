// The walk through the hotlist: leaving a folder finds the parent path as
// ParentPath does, and only whole marker lines move a pass (listing and
// "properties" through the exports).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ReaderRuns.h"
#include "TestFiles.h"
#include "Walk.h"

#if __has_include("CodePageControl.h")
#include "CodePageControl.h"
#include "LinkedLibrary.h"
#define TANSY_TEST_EXPORTS 1
#endif

namespace {

class WalkFastPaths : public UnderEachCodePage {};

INSTANTIATE_TEST_SUITE_P(CodePages, WalkFastPaths, testing::ValuesIn(CodePages()));

// Folder names of every kind a path can hold: empty, with backslashes at
// either end or inside, non-ASCII in each code page, not valid UTF-8 (which
// decodes to an empty name).
const std::vector<std::string> kFolderNames = {
    "", "a", "News", "\\", "\\x", "x\\", "a\\b", "\\\\", "\xD0\x9D\xD0\xBE", "\xC3\xA9t\xC3\xA9", "\xD0"};

}  // namespace

TEST_P(WalkFastPaths, LeavingAFolderFindsTheParentPath)
{
    // A walk that enters folders, passed over or returned, at random and
    // steps up at random: cutting CurPath back must give ParentPath's answer,
    // for names of either form.
    std::mt19937 random(GetParam());
    std::vector<int> steps;  // a folder name's index, or -1 for a step up
    std::string blocks;
    for (int step = 0; step < 5000; ++step) {
        const int name = random() % 2 == 0 ? static_cast<int>(random() % kFolderNames.size()) : -1;
        steps.push_back(name);
        if (name >= 0) blocks += "\tNAME=" + kFolderNames[static_cast<size_t>(name)] + "\n\n";
    }
    const std::string path = WriteTempFile(blocks);
    for (const TNameForm form : {nfAnsi, nfWide}) {
        TTextFile file;
        OpenTextForReading(file, TextToShort(path));
        THotlistWalk walk(&file);
        walk.Form = form;
        StartAtRoot(walk);
        TTansyBookmarkDir dir;
        for (size_t step = 0; step < steps.size(); ++step) {
            if (steps[step] >= 0) {
                walk.CurLine = u"#FOLDER";
                if (random() % 2 == 0)
                    EnterPassedFolder(walk, dir);
                else
                    EnterReturnedFolder(walk, dir);
                continue;
            }
            const WideString parent = form == nfWide ? ParentPath(std::u16string_view(walk.CurPath))
                                                     : WideFromAnsi(ParentPath(AnsiFromWide(walk.CurPath)));
            const WideString before = walk.CurPath;
            StepUpCurPath(walk);
            ASSERT_EQ(walk.CurPath, parent) << "step " << step << " from " << Hex(before);
        }
        CloseTextFile(file);
    }
}

#ifdef TANSY_TEST_EXPORTS
namespace {

std::string Block(const char* marker, int id, const std::string& name)
{
    return std::string(marker) + "\n\tID=" + std::to_string(id) + "\n\tNAME=" + name + "\n\n";
}

// Folders \F and \F\G and their bookmarks, with `noise` at the start of each
// folder, between entries and after a folder's end.
std::string NestedHotlist(const std::string& noise)
{
    return "Hotlist version 2.0\n\n" + Block("#URL", 1, "top1") + noise + Block("#FOLDER", 2, "F") + noise +
           Block("#URL", 3, "f1") + Block("#FOLDER", 4, "G") + noise + Block("#URL", 5, "g1") + noise +
           Block("#URL", 6, "g2") + "-\n\n" + noise + Block("#URL", 7, "f2") + "-\n\n" + noise +
           Block("#URL", 8, "top2");
}

// Lines that differ from a marker by one byte added, changed or removed, each
// with the field lines of a block of its own below it.
std::string NearMissMarkers()
{
    std::string lines;
    for (const std::string marker : {"-", "#FOLDER", "#URL"}) {
        std::vector<std::string> misses = {" " + marker};
        if (marker.size() > 1) misses.push_back(marker.substr(0, marker.size() - 1));
        for (const char* more : {" ", "\t", "x", "-"}) misses.push_back(marker + more);
        for (const std::string& miss : misses) lines += miss + "\n\tID=99\n\tNAME=ghost\n\n";
    }
    return lines;
}

// Every folder's listing, and "properties" on every bookmark listed.
std::string WholeView(const std::string& hotlist, int& folders, int& boxes)
{
    UseHotlist(WriteTempFile(hotlist));
    std::string view;
    for (const std::string& folder : AllFolders()) {
        ++folders;
        const Transcript listing = ListFolder(folder);
        view += Joined(listing);
        for (const CallAnswer& answer : listing) {
            if (!answer.HasEntry || answer.IsFolder) continue;
            const Transcript shown = Execute((folder == "\\" ? folder : folder + "\\") + answer.Name);
            boxes += static_cast<int>(shown.size()) - 1;
            view += Joined(shown);
        }
    }
    return view;
}

}  // namespace

TEST(WalkMarkers, OnlyWholeMarkerLinesMoveAPass)
{
    TansySetActiveCodePage(1251);
    int folders = 0;
    int boxes = 0;
    const std::string clean = WholeView(NestedHotlist(""), folders, boxes);
    EXPECT_EQ(folders, 3);
    EXPECT_EQ(boxes, 6);
    EXPECT_EQ(WholeView(NestedHotlist(NearMissMarkers()), folders, boxes), clean);
    TansySetActiveCodePage(0);
}
#endif
