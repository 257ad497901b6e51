// The hotlist readers, the field classifier and parser, and find data: the
// rules that a listing transcript would not pin down on its own.
#include <gtest/gtest.h>

#include <cstring>

#include "Failures.h"
#include "PLUGIN_Main.h"
#include "TestFiles.h"

namespace {

struct OpenHotlist {
    TTextFile File;
    WideString Line;
    explicit OpenHotlist(const std::string& bytes) { OpenTextForReading(File, TextToShort(WriteTempFile(bytes))); }
    ~OpenHotlist()
    {
        if (File.Mode == tfInput) CloseTextFile(File);
    }
};

}  // namespace

TEST(SkipToFirstEntry, StopsAtTheFirstHashLineThatIsNoSeparator)
{
    OpenHotlist plain("#FOLDER\n\tNAME=x\n");
    EXPECT_TRUE(SkipToFirstEntry(plain.File, plain.Line));
    EXPECT_EQ(plain.Line, u"#FOLDER");

    OpenHotlist header("Hotlist version 2.0\n\n#SEPERATOR\n#SEPERATOR \nmore\n");
    EXPECT_TRUE(SkipToFirstEntry(header.File, header.Line));
    EXPECT_EQ(header.Line, u"#SEPERATOR ");

    OpenHotlist unknown("head\n#COMMENT\n\n");
    EXPECT_TRUE(SkipToFirstEntry(unknown.File, unknown.Line));
    EXPECT_EQ(unknown.Line, u"#COMMENT");
}

TEST(SkipToFirstEntry, FalseWhenTheFirstEntryIsTheLastLine)
{
    for (const char* bytes : {"", "header\n\n", "header\n#URL", "header\n#URL\n", "\n#SEPERATOR\n"}) {
        OpenHotlist hotlist(bytes);
        EXPECT_FALSE(SkipToFirstEntry(hotlist.File, hotlist.Line)) << bytes;
    }
}

TEST(SkipToFirstEntry, AByteOrderMarkKeepsAMarkerInTheHeader)
{
    OpenHotlist hotlist("\xEF\xBB\xBF#URL\n\tNAME=a\n\n#FOLDER\n\tNAME=b\n\n-\n");
    EXPECT_TRUE(SkipToFirstEntry(hotlist.File, hotlist.Line));
    EXPECT_EQ(hotlist.Line, u"#FOLDER");
}

TEST(ClassifyFieldLine, PrefixTestAfterOneIndentCharacter)
{
    EXPECT_EQ(ClassifyFieldLine("\tID=1"), hkId);
    EXPECT_EQ(ClassifyFieldLine("\tIDENTITY=1"), hkId);
    EXPECT_EQ(ClassifyFieldLine(" NAMEX=1"), hkName);
    EXPECT_EQ(ClassifyFieldLine("\tname=x"), hkNone);
    EXPECT_EQ(ClassifyFieldLine("\t\tNAME=x"), hkNone);
    EXPECT_EQ(ClassifyFieldLine("\tSHORT NAME=s"), hkShortName);
    EXPECT_EQ(ClassifyFieldLine("\tPERSONALBAR_POS=2"), hkPersonalBarPos);
    EXPECT_EQ(ClassifyFieldLine("\tPANEL_POS=2"), hkPanelPos);
    EXPECT_EQ(ClassifyFieldLine("\tIN PANEL=YES"), hkInPanel);
    EXPECT_EQ(ClassifyFieldLine("#URL"), hkUrl);
    EXPECT_EQ(ClassifyFieldLine("#FOLDER"), hkNone);
    EXPECT_EQ(ClassifyFieldLine("-"), hkNone);
    EXPECT_EQ(ClassifyFieldLine(""), hkNone);
    EXPECT_EQ(ClassifyFieldLine("\tI"), hkNone);
}

TEST(ApplyUrlField, ValuesAfterTheFirstEqualsSign)
{
    TTansyBookmarkUrl url;
    ApplyUrlField("\tURL=http://x/?a=1&b=2", hkUrl, url);
    EXPECT_EQ(url.Url, u"http://x/?a=1&b=2");
    ApplyUrlField("\tNAME", hkName, url);
    EXPECT_EQ(url.Name, "\tNAME");
    ApplyUrlField("\tIN PANEL=YES", hkInPanel, url);
    EXPECT_EQ(url.InPanel, -1);
    ApplyUrlField("\tIN PANEL=yes", hkInPanel, url);
    EXPECT_EQ(url.InPanel, 0);
    ApplyUrlField("\tCREATED=-1", hkCreated, url);
    EXPECT_EQ(url.Created, 0xFFFFFFFFu);
    ApplyUrlField("\tSHORT NAME=" + std::string(300, 's'), hkShortName, url);
    EXPECT_EQ(url.ShortName.Length, 255);
    EXPECT_THROW(ApplyUrlField("\tID=", hkId, url), EVariantError);
    ApplyUrlField("\tTRASH FOLDER=YES", hkTrashFolder, url);  // no such field: nothing
    ApplyUrlField("\tX=1", static_cast<THotlistKey>(42), url);
}

TEST(ApplyDirField, KeysWithoutAFolderFieldAreNotConverted)
{
    TTansyBookmarkDir dir;
    EXPECT_NO_THROW(ApplyDirField("\tPANEL_POS=bad", hkPanelPos, dir));
    EXPECT_NO_THROW(ApplyDirField("\tURL=x", hkUrl, dir));
    EXPECT_THROW(ApplyDirField("\tCREATED=bad", hkCreated, dir), EVariantError);
    ApplyDirField("\tVISITED=77", hkVisited, dir);
    EXPECT_EQ(dir.Visited, 77u);
    ApplyDirField("\tTRASH FOLDER=YES", hkTrashFolder, dir);
    EXPECT_TRUE(dir.TrashFolder);
}

TEST(ReadUrlBlock, ReadsToTheEmptyLineAndLaterLinesWin)
{
    OpenHotlist hotlist("#URL\n\tID=1\n\tNAME=a\n\tNAME=b\n#URL\n\tID=2\n\nnext\n");
    ASSERT_TRUE(SkipToFirstEntry(hotlist.File, hotlist.Line));
    TTansyBookmarkUrl url;
    url.Active = true;
    ReadUrlBlock(hotlist.File, hotlist.Line, url);
    EXPECT_EQ(url.Id, 2);
    EXPECT_EQ(url.Name, "b");
    EXPECT_EQ(url.Url, u"#URL");  // a marker right below a field line is a field
    EXPECT_FALSE(url.Active);
    EXPECT_EQ(hotlist.Line, u"");
    ReadHotlistLine(hotlist.File, hotlist.Line);
    EXPECT_EQ(hotlist.Line, u"next");
}

TEST(ReadDirBlock, AnEmptyLineOnlyClearsAndABadNumberStopsAtItsLine)
{
    OpenHotlist hotlist("#FOLDER\n\tNAME=f\n\tID=x1\n\tCREATED=5\n\n");
    TTansyBookmarkDir dir;
    dir.Id = 9;
    WideString empty;
    ReadDirBlock(hotlist.File, empty, dir);
    EXPECT_EQ(dir.Id, 0);

    ASSERT_TRUE(SkipToFirstEntry(hotlist.File, hotlist.Line));
    EXPECT_THROW(ReadDirBlock(hotlist.File, hotlist.Line, dir), EVariantError);
    EXPECT_EQ(dir.Name, "f");
    EXPECT_EQ(hotlist.Line, u"\tID=x1");
}

TEST(FindData, NamesAreCutAt260BytesWithTheZeroBehind)
{
    for (const size_t length : {0u, 259u, 260u, 300u}) {
        TTansyBookmarkUrl url;
        url.Name = std::string(length, 'n');
        url.Id = -1;
        url.Visited = 0x80000001u;
        WIN32_FIND_DATAA record;
        std::memset(&record, 0, sizeof record);
        UrlToFindData(url, record);
        const size_t kept = std::min<size_t>(length, 260);
        EXPECT_EQ(std::string(record.cFileName, kept), std::string(kept, 'n'));
        if (kept < 260)
            EXPECT_EQ(record.cFileName[kept], 0);
        else
            EXPECT_EQ(record.cAlternateFileName[0], 0);
        EXPECT_EQ(record.nFileSizeLow, 0xFFFFFFFFu);
        EXPECT_EQ(record.nFileSizeHigh, 0u);
        EXPECT_EQ(record.dwFileAttributes, 0u);
        EXPECT_EQ(record.ftLastAccessTime.dwLowDateTime, 0x80000001u);
    }
}

TEST(FindData, FoldersAreDirectoriesAndBadUtf8GivesAnEmptyName)
{
    TTansyBookmarkDir dir;
    dir.Name = "\xD0" "A";
    dir.Created = 123;
    WIN32_FIND_DATAA record;
    std::memset(&record, 0xA5, sizeof record);
    DirToFindData(dir, record);
    EXPECT_EQ(record.dwFileAttributes, 16u);
    EXPECT_EQ(record.cFileName[0], 0);
    EXPECT_EQ(record.ftCreationTime.dwLowDateTime, 123u);
    EXPECT_EQ(record.ftLastAccessTime.dwLowDateTime, 0u);
}
