// The Unicode exports in-process: names decoded from the file's UTF-8 without
// loss into UTF-16 records, every other field as in the ANSI record, paths
// compared unit for unit, "properties" through MessageBoxW, and the same
// busy answer while a box is up.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "CodePageControl.h"
#include "FaultInjection.h"
#include "LinkedLibrary.h"
#include "TANSY_WFX.h"
#include "TestFiles.h"
#include "tansy_harness.h"

namespace {

const std::string kHeader = "Hotlist version 2.0\n\n";
const std::string kCjk300 = [] {
    std::string name;
    for (int i = 0; i < 300; ++i) name += "\xE6\x97\xA5";  // 日
    return name;
}();

std::string Bookmark(int id, const std::string& name, const std::string& url = "https://example.org/")
{
    return "#URL\n\tID=" + std::to_string(id) + "\n\tNAME=" + name + "\n\tURL=" + url + "\n\tCREATED=" +
           std::to_string(1700000000 + id) + "\n\n";
}

std::string UnicodeHotlist()
{
    return kHeader + Bookmark(1, "Party \xF0\x9F\x98\x80") + Bookmark(2, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E") +
           Bookmark(3, "Caf\xC3\xA9 cr\xC3\xA8me", "https://\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84/") +
           Bookmark(4, "bad \xFF byte") + "#FOLDER\n\tID=5\n\tNAME=\xF0\x9F\x93\x81 Box\n\n" + Bookmark(6, kCjk300) +
           "-\n\n";
}

std::u16string NameOf(const WIN32_FIND_DATAW& record)
{
    char16_t name[MAX_PATH];
    std::memcpy(name, reinterpret_cast<const char*>(&record) + offsetof(WIN32_FIND_DATAW, cFileName), sizeof name);
    return std::u16string(name, std::char_traits<char16_t>::length(name));
}

std::vector<WIN32_FIND_DATAW> ListW(const std::u16string& path)
{
    std::vector<WIN32_FIND_DATAW> records;
    WIN32_FIND_DATAW record;
    std::memset(&record, 0xA5, sizeof record);
    std::u16string writable = path;
    const HANDLE handle = FsFindFirstW(reinterpret_cast<WCHAR*>(writable.data()), &record);
    if (handle == INVALID_HANDLE_VALUE) return records;
    do records.push_back(record);
    while (FsFindNextW(handle, &record) != 0);
    FsFindClose(handle);
    return records;
}

std::vector<std::u16string> gBoxes;

int RecordBox(HWND, const WCHAR* text, const WCHAR* caption, UINT)
{
    gBoxes.push_back(std::u16string(reinterpret_cast<const char16_t*>(caption)) + u"|" +
                     reinterpret_cast<const char16_t*>(text));
    return IDOK;
}

class WideNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        TansySetActiveCodePage(1251);
        UseHotlist(WriteTempFile(UnicodeHotlist()));
        TansySetMessageBoxHookW(&RecordBox);
        gBoxes.clear();
    }
    void TearDown() override
    {
        TansySetMessageBoxHookW(nullptr);
        EXPECT_EQ(TansyOpenHandleCount(), 0u);
    }
};

TEST_F(WideNames, NamesAreDecodedWhole)
{
    const auto root = ListW(u"\\");
    ASSERT_EQ(root.size(), 5u);
    EXPECT_EQ(NameOf(root[0]), u"Party \U0001F600");
    EXPECT_EQ(NameOf(root[1]), u"日本語");
    EXPECT_EQ(NameOf(root[2]), u"Café crème");
    EXPECT_EQ(NameOf(root[3]), u"bad \uFFFD byte");
    EXPECT_EQ(NameOf(root[4]), u"\U0001F4C1 Box");

    // Every other field as the ANSI record has it.
    WIN32_FIND_DATAA ansi{};
    char path[] = "\\";
    const HANDLE handle = FsFindFirst(path, &ansi);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    FsFindClose(handle);
    EXPECT_EQ(root[0].nFileSizeLow, ansi.nFileSizeLow);
    EXPECT_EQ(root[0].ftCreationTime.dwLowDateTime, ansi.ftCreationTime.dwLowDateTime);
    EXPECT_EQ(root[0].dwFileAttributes, ansi.dwFileAttributes);
    EXPECT_EQ(root[4].dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(root[0].cAlternateFileName[0], 0);
}

TEST_F(WideNames, ALongNameIsCutWithinTheRecordAndStillFindsItsBox)
{
    const auto folder = ListW(u"\\\U0001F4C1 Box");
    ASSERT_EQ(folder.size(), 1u);
    const std::u16string shown = NameOf(folder[0]);
    EXPECT_EQ(shown, std::u16string(MAX_PATH - 1, u'日'));
    std::u16string remote = u"\\\U0001F4C1 Box\\" + shown;
    std::u16string verb = u"properties";
    EXPECT_EQ(FsExecuteFileW(nullptr, reinterpret_cast<WCHAR*>(remote.data()), reinterpret_cast<WCHAR*>(verb.data())),
              0);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0].substr(0, gBoxes[0].find(u"\nURL")),
              u"Параметры закладки|ID: 6\nИМЯ: " + std::u16string(300, u'日'));
}

TEST_F(WideNames, PropertiesShowEveryTextDecoded)
{
    std::u16string remote = u"\\Café crème";
    std::u16string verb = u"properties";
    EXPECT_EQ(FsExecuteFileW(nullptr, reinterpret_cast<WCHAR*>(remote.data()), reinterpret_cast<WCHAR*>(verb.data())),
              0);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_NE(gBoxes[0].find(u"\nURL: https://пример.рф/\n"), std::u16string::npos);
    // Only the exact verb acts.
    std::u16string other = u"Properties";
    EXPECT_EQ(FsExecuteFileW(nullptr, reinterpret_cast<WCHAR*>(remote.data()), reinterpret_cast<WCHAR*>(other.data())),
              0);
    EXPECT_EQ(gBoxes.size(), 1u);
}

TEST_F(WideNames, PathsWithUnpairedSurrogatesMatchNothing)
{
    for (const std::u16string& path : {std::u16string(u"\\\xD83D"), std::u16string(u"\\Party \xDE00"),
                                       std::u16string(2000, u'\xDC00')}) {
        EXPECT_TRUE(ListW(path).empty());
        std::u16string remote = path;
        std::u16string verb = u"properties";
        EXPECT_EQ(FsExecuteFileW(nullptr, reinterpret_cast<WCHAR*>(remote.data()),
                                 reinterpret_cast<WCHAR*>(verb.data())),
                  0);
    }
    EXPECT_TRUE(gBoxes.empty());
}

}  // namespace
