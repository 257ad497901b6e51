// The hotlist readers, the field classifier and parser, and find data: the
// rules that a listing transcript would not pin down on its own, and the fast
// paths of the classifier and the block readers against those rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Failures.h"
#include "Oracles.h"
#include "PLUGIN_Main.h"
#include "ReaderRuns.h"
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

// ---- The fast paths against the field rules -------------------------------

namespace {

// Every key text with one byte changed, added or removed at each place.
std::vector<std::string> NearMissKeys()
{
    std::vector<std::string> keys;
    for (const TKeyRule& rule : kKeyRules) {
        const std::string text(rule.Text);
        keys.push_back(text);
        for (size_t at = 0; at <= text.size(); ++at) {
            for (const char added : {'X', ' '}) keys.push_back(text.substr(0, at) + added + text.substr(at));
            if (at == text.size()) break;
            keys.push_back(text.substr(0, at) + text.substr(at + 1));
            for (const int flip : {0x01, 0x20, 0x80}) {
                std::string changed = text;
                changed[at] = static_cast<char>(changed[at] ^ flip);
                keys.push_back(changed);
            }
        }
    }
    return keys;
}

}  // namespace

// Lines of 1 to 24 characters reach every width the classifier compares at once.
TEST(ClassifyFieldLine, NearMissesAreClassifiedAsTheRuleClassifiesThem)
{
    int keyed = 0;
    for (const std::string& key : NearMissKeys()) {
        for (const char* indent : {"\t", "#"}) {
            const std::string full = indent + key + "=" + std::string(24, 'v');
            for (size_t length = 1; length <= 24; ++length) {
                const std::string line = full.substr(0, length);
                const THotlistKey expected = KeyByTheRule(line);
                ASSERT_EQ(ClassifyFieldLine(line), expected) << "'" << line << "'";
                keyed += expected != hkNone;
            }
        }
    }
    EXPECT_GT(keyed, 1000);
}

namespace {

class BlockFastPaths : public UnderEachCodePage {};

INSTANTIATE_TEST_SUITE_P(CodePages, BlockFastPaths, testing::ValuesIn(CodePages()));

// The block readers by the rule: every line through the code page into the
// line, back into ANSI text, classified by the rule and applied.
template <class Record, class Apply>
void ReadBlockByTheRule(TTextFile& file, WideString& line, Record& record, Apply apply)
{
    while (!line.empty()) {
        ReadHotlistLine(file, line);
        const AnsiString text = AnsiFromWide(line);
        apply(text, KeyByTheRule(text), record);
    }
}

std::string Describe(const TTansyBookmarkUrl& url)
{
    return std::to_string(url.Id) + "|" + url.Name + "|" + Hex(url.Url) + "|" +
           std::string(url.ShortName.Chars, sizeof url.ShortName.Chars) + "|" +
           std::to_string(url.ShortName.Length) + "|" + Hex(url.Description) + "|" + Hex(url.IconFile) + "|" +
           std::to_string(url.Active) + std::to_string(url.OnPersonalBar) + "|" +
           std::to_string(url.PersonalBarPos) + "|" + std::to_string(url.InPanel) + "|" +
           std::to_string(url.PanelPos) + "|" + std::to_string(url.Created) + "|" + std::to_string(url.Visited);
}

std::string Describe(const TTansyBookmarkDir& dir)
{
    return std::to_string(dir.Id) + "|" + dir.Name + "|" + std::string(dir.ShortName.Chars, sizeof dir.ShortName.Chars) +
           "|" + std::to_string(dir.ShortName.Length) + "|" + Hex(dir.Description) + "|" +
           std::to_string(dir.OnPersonalBar) + std::to_string(dir.TrashFolder) + "|" +
           std::to_string(dir.PersonalBarPos) + "|" + std::to_string(dir.Created) + "|" + std::to_string(dir.Visited);
}

// Blocks of field lines made of every kind of indent, key, separator and
// value, with non-ASCII bytes in each place and values that fail.
std::string FieldBlocks(unsigned seed)
{
    static const std::vector<std::string> kIndents = {"\t", " ", "=", "\xD0", "\x98", "\r\t", ""};
    static const std::vector<std::string> kKeys = {
        "ID", "NAME", "SHORT NAME", "DESCRIPTION", "ON PERSONALBAR", "PERSONALBAR_POS", "IN PANEL",
        "PANEL_POS", "TRASH FOLDER", "CREATED", "VISITED", "URL", "ICONFILE", "ACTIVE", "name", "NAM",
        "NA\xD0\x98ME", "NAME\xD0\x98", "PERSONALBAR_PO\xD0", "URLX", ""};
    static const std::vector<std::string> kSeparators = {"=", "=", "=", "", "==", "\xD0\x98=", " ="};
    static const std::vector<std::string> kValues = {
        "", "x", "12", "007", "1700000000", "2147483648", "-3", " 4 ", "YES", "yes",
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\x98", "\xD0", "a=b", "\xFF\xFE",
        std::string(300, 's'), "\xD0\x98" + std::string(290, 'n'), "a\rb", std::string("z\0z", 3)};
    std::mt19937 random(seed);
    const auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    std::string bytes;
    for (int block = 0; block < 400; ++block) {
        bytes += block % 2 ? "#URL\n" : "#FOLDER\n";
        for (int lines = random() % 8; lines > 0; --lines) {
            // Mostly values that convert, so that most blocks run to their end.
            std::string value = pick(kValues);
            if (random() % 3 != 0) value = std::to_string(random() % 100000);
            bytes += pick(kIndents) + pick(kKeys) + pick(kSeparators) + value + "\n";
        }
        bytes += "\n";
    }
    return bytes;
}

// A record that holds only the name of `url`.
TTansyBookmarkUrl NameOnly(const TTansyBookmarkUrl& url)
{
    TTansyBookmarkUrl named;
    named.Name = url.Name;
    return named;
}

// Reads block after block with `read`, the marker put in the line each time.
template <class Record, class Read>
ReaderSteps ReadBlocks(const std::string& path, Read read)
{
    return RunReader(path, [&](TTextFile& file, WideString& line, ReaderSteps& steps) {
        if (HotlistAtEnd(file)) return false;
        line = u"#URL";
        Record record;
        record.Name = "stale";  // what a reader does not reset shows
        try {
            read(file, line, record);
        } catch (const EVariantError&) {
            steps.push_back("conversion failure line " + Hex(line));
            return true;
        }
        steps.push_back(Describe(record) + " line " + Hex(line));
        return true;
    });
}

}  // namespace

TEST_P(BlockFastPaths, BlocksReadAsTheRuleReadsThem)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const std::string path = WriteTempFile(FieldBlocks(seed));
        const ReaderSteps urls = ReadBlocks<TTansyBookmarkUrl>(path, [](TTextFile& file, WideString& line, TTansyBookmarkUrl& url) {
            ClearBookmarkUrl(url);
            ReadBlockByTheRule(file, line, url, ApplyUrlField);
        });
        EXPECT_EQ(ReadBlocks<TTansyBookmarkUrl>(path, ReadUrlBlock), urls) << "seed " << seed;
        EXPECT_EQ(ReadBlocks<TTansyBookmarkUrl>(path,
                                                [](TTextFile& file, WideString& line, TTansyBookmarkUrl& url) {
                                                    TKeptUrlTexts kept;
                                                    ReadUrlBlockKeepingTexts(file, line, url, kept);
                                                    StoreKeptTexts(kept, url);
                                                }),
                  urls)
            << "seed " << seed;

        const ReaderSteps dirs = ReadBlocks<TTansyBookmarkDir>(path, [](TTextFile& file, WideString& line, TTansyBookmarkDir& dir) {
            ClearBookmarkDir(dir);
            ReadBlockByTheRule(file, line, dir, ApplyDirField);
        });
        EXPECT_EQ(ReadBlocks<TTansyBookmarkDir>(path, ReadDirBlock), dirs) << "seed " << seed;

        // The blocks must have exercised both outcomes.
        const auto failures = std::count_if(urls.begin(), urls.end(), [](const std::string& step) {
            return step.rfind("conversion failure", 0) == 0;
        });
        EXPECT_GT(failures, 5);
        EXPECT_GT(static_cast<long>(urls.size()) - failures, 50);
    }
}

TEST_P(BlockFastPaths, KeptNameIsTheNameRead)
{
    const std::string path = WriteTempFile(FieldBlocks(7));
    const ReaderSteps names = ReadBlocks<TTansyBookmarkUrl>(path, [](TTextFile& file, WideString& line, TTansyBookmarkUrl& url) {
        ReadUrlBlock(file, line, url);
        url = NameOnly(url);
    });
    EXPECT_EQ(ReadBlocks<TTansyBookmarkUrl>(path,
                                            [](TTextFile& file, WideString& line, TTansyBookmarkUrl& url) {
                                                TKeptUrlTexts kept;
                                                ReadUrlBlockKeepingTexts(file, line, url, kept);
                                                StoreKeptName(kept, url);
                                                url = NameOnly(url);
                                            }),
              names);
}
