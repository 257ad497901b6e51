// The walk through the hotlist: leaving a folder finds the parent path as
// ParentPath does.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ReaderRuns.h"
#include "Walk.h"

namespace {

class WalkFastPaths : public UnderEachCodePage {};

INSTANTIATE_TEST_SUITE_P(CodePages, WalkFastPaths, testing::ValuesIn(CodePages()));

// Folder names of every kind a path can hold: empty, with backslashes at
// either end or inside, non-ASCII in each code page, not valid UTF-8.
WIN32_FIND_DATAA NamedRecord(std::mt19937& random)
{
    static const std::vector<std::string> kNames = {
        "", "a", "News", "\\", "\\x", "x\\", "a\\b", "\\\\", "\xD0\x9D\xD0\xBE", "\xC8\xCC", "\x98", "\xD0", "\xE9t\xE9"};
    WIN32_FIND_DATAA record = {};
    const std::string& name = kNames[random() % kNames.size()];
    std::copy(name.begin(), name.end(), record.cFileName);
    return record;
}

}  // namespace

TEST_P(WalkFastPaths, LeavingAFolderFindsTheParentPath)
{
    std::mt19937 random(GetParam());
    StartAtRoot();
    for (int step = 0; step < 5000; ++step) {
        if (random() % 2 == 0) {
            JoinReturnedName(NamedRecord(random));
            continue;
        }
        const WideString parent = WideFromAnsi(ParentPath(AnsiFromWide(CurPath)));
        const WideString before = CurPath;
        StepUpCurPath();
        ASSERT_EQ(CurPath, parent) << "step " << step << " from " << Hex(before);
    }
    StartAtRoot();
}
