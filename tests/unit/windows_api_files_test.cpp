// The Windows calls as the library relies on them: files, configuration
// files, module paths and windows. The same tests run against the POSIX
// stand-in layer (native builds) and against the real API (Windows builds,
// under wine in CI), so a place where the stand-in does not behave as Windows
// does fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "TestFiles.h"
#include "WindowsCalls.h"

namespace {

// Holds a file open for writing as a writer on the platform announces it: on
// Windows an open handle with write access, on POSIX a writer's exclusive lock.
class Writer {
public:
    explicit Writer(const std::string& path)
    {
#ifdef _WIN32
        handle_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
#else
        descriptor_ = open(path.c_str(), O_WRONLY);
        EXPECT_GE(descriptor_, 0);
        EXPECT_EQ(flock(descriptor_, LOCK_EX), 0);
#endif
    }
    ~Writer()
    {
#ifdef _WIN32
        CloseHandle(handle_);
#else
        close(descriptor_);
#endif
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

private:
#ifdef _WIN32
    HANDLE handle_;
#else
    int descriptor_;
#endif
};

}  // namespace

// ---- Files -----------------------------------------------------------------

TEST(WindowsApiFile, OpenFailureCodes)
{
    const std::string folder = TempDir();
    const std::string file = WriteTempFile("x");
    EXPECT_EQ(OpenError(file), 0u);
    EXPECT_EQ(OpenError(folder + "/no-such-file"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError("no-such-file-here"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError(folder + "/no-such-folder/file"), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(folder + "/no-such-folder/deeper/file"), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(file + "/file"), ERROR_PATH_NOT_FOUND);  // a file used as a folder
    EXPECT_EQ(OpenError(""), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(folder), ERROR_ACCESS_DENIED);
    for (const char bad : std::string("*?<>|\"\x01\x1F"))
        EXPECT_EQ(OpenError(folder + "/a" + bad + "b"), ERROR_INVALID_NAME) << int(bad);
    EXPECT_EQ(OpenError(folder + "/no-such-folder/a*b"), ERROR_INVALID_NAME);
    EXPECT_EQ(OpenError(folder + "/a*b/c"), ERROR_INVALID_NAME);
    EXPECT_EQ(OpenError(folder + "/a:b"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError(folder + "/" + std::string(300, 'n')), ERROR_FILENAME_EXCED_RANGE);
    // A name of more than MAX_PATH characters is too long for the ANSI call,
    // however short its parts.
    const std::string missing = folder + "/no-such-folder/";
    ASSERT_LT(missing.size(), 200u);
    EXPECT_EQ(OpenError(missing + std::string(MAX_PATH - missing.size(), 'n')), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(missing + std::string(MAX_PATH + 1 - missing.size(), 'n')), ERROR_FILENAME_EXCED_RANGE);
    std::string deep = folder;
    while (deep.size() < 400) deep += "/abcdefgh";
    EXPECT_EQ(OpenError(deep), ERROR_FILENAME_EXCED_RANGE);
}

TEST(WindowsApiFile, AFileHeldOpenForWritingIsASharingViolation)
{
    const std::string file = WriteTempFile("being written");
    {
        Writer writer(file);
        EXPECT_EQ(OpenError(file), ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(OpenError(file), 0u);
}

TEST(WindowsApiFile, ReadsToTheEndAndTheEndStays)
{
    const std::string path = WriteTempFile("hello world");
    SetLastError(99);
    const HANDLE file = OpenForReading(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_NE(file, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    char buffer[64];
    DWORD got = 77;
    ASSERT_TRUE(ReadFile(file, buffer, 5, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "hello");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), " world");
    for (int i = 0; i < 2; ++i) {
        got = 77;
        ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
        EXPECT_EQ(got, 0u);
    }
    EXPECT_TRUE(CloseHandle(file));
}

// ---- Configuration files ---------------------------------------------------

TEST(WindowsApiProfile, NamesIgnoreCaseAndBlanksAreTrimmed)
{
    const std::string ini = WriteTempFile("[Other]\nhotlist=wrong\n  [ MAIN ]  \n\t HotList \t=  /b/c d.adr \t\n");
    const Lookup found = ReadProfile(ini, "main", "HOTLIST");
    EXPECT_EQ(found.value, "/b/c d.adr");
    EXPECT_EQ(found.count, 10u);
    EXPECT_EQ(ReadProfile(ini, "  main ", " hotlist ").value, "/b/c d.adr");
}

TEST(WindowsApiProfile, OnePairOfMatchingQuotesIsRemoved)
{
    EXPECT_EQ(HotlistValue("[main]\nhotlist=\"a b\"\n"), "a b");
    EXPECT_EQ(HotlistValue("[main]\nhotlist='a b'\n"), "a b");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=\" padded \"\n"), " padded ");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=\"\"x\"\"\n"), "\"x\"");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=\"\"\n"), "");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=\"\n"), "\"");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=\"abc\n"), "\"abc");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=\"abc'\n"), "\"abc'");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=a\"b\"\n"), "a\"b\"");
}

TEST(WindowsApiProfile, FirstSectionAndFirstKeyWin)
{
    EXPECT_EQ(HotlistValue("[main]\nhotlist=one\nhotlist=two\n"), "one");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=first\n[MAIN]\nhotlist=second\n"), "first");
    EXPECT_EQ(HotlistValue("hotlist=outside\n[main]\n"), "dflt");
    EXPECT_EQ(HotlistValue("[other]\nhotlist=x\n"), "dflt");
    EXPECT_EQ(HotlistValue("[main]\n[next]\nhotlist=x\n"), "dflt");
}

TEST(WindowsApiProfile, CommentsMarksAndLineBreaks)
{
    EXPECT_EQ(HotlistValue("[main]\n;hotlist=x\n"), "dflt");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=a;b\n"), "a;b");
    EXPECT_EQ(HotlistValue("\xEF\xBB\xBF[main]\nhotlist=bom\n"), "bom");
    EXPECT_EQ(HotlistValue("[main]\r\nhotlist=crlf\r\n"), "crlf");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=x=y\n"), "x=y");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=\n"), "");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=\xC8\xCC\xDF\n"), "\xC8\xCC\xDF");
    EXPECT_EQ(HotlistValue("[main]\n  ; hotlist=x\nhotlist=y\n"), "y");
    EXPECT_EQ(HotlistValue("[main]\rhotlist=cr"), "cr");
    EXPECT_EQ(HotlistValue("[main] trailing words\nhotlist=x\n"), "x");
    EXPECT_EQ(HotlistValue("[main]\nhotlist=end\x1A"), "end");
    EXPECT_EQ(HotlistValue("[main]\nother=1\n[main]\nhotlist=late\n"), "dflt");
    EXPECT_EQ(HotlistValue("[main]\n[main]\nhotlist=late\n"), "dflt");
}

TEST(WindowsApiProfile, ValueIsCutToTheBuffer)
{
    const std::string ini = WriteTempFile("[main]\nhotlist=" + std::string(300, 'v') + "\n");
    const Lookup cut = ReadProfile(ini, "main", "hotlist");
    EXPECT_EQ(cut.value, std::string(255, 'v'));
    EXPECT_EQ(cut.count, 255u);
    EXPECT_EQ(ReadProfile(ini, "main", "hotlist", "", 4).value, "vvv");
    EXPECT_EQ(ReadProfile(ini, "main", "hotlist", "", 1).count, 0u);
    EXPECT_EQ(ReadProfile(ini, "main", "hotlist", "", 1).value, "");
    EXPECT_EQ(ReadProfile(ini, "main", "nokey", "long default", 5).value, "long");
}

TEST(WindowsApiProfile, DefaultWhenFileSectionOrKeyIsMissing)
{
    const std::string ini = WriteTempFile("[main]\nhotlist=x\n");
    EXPECT_EQ(ReadProfile(TempDir() + "/absent.ini", "main", "hotlist").value, "dflt");
    EXPECT_EQ(ReadProfile(ini, "nosection", "hotlist").value, "dflt");
    EXPECT_EQ(ReadProfile(ini, "main", "nokey").value, "dflt");
    EXPECT_EQ(ReadProfile(ini, "main", "nokey", "with blanks   ").value, "with blanks");
    const Lookup none = ReadProfile(ini, "main", "nokey", nullptr);
    EXPECT_EQ(none.value, "");
    EXPECT_EQ(none.count, 0u);
    // A folder is no configuration file.
    EXPECT_EQ(ReadProfile(TempDir(), "main", "hotlist").value, "dflt");
}

// ---- Module paths ----------------------------------------------------------

TEST(WindowsApiModule, AShortBufferGetsItsSizeInBytesAndNoZero)
{
    char full[1024];
    const DWORD length = GetModuleFileNameA(nullptr, full, sizeof full);
    ASSERT_GT(length, 5u);
    ASSERT_LT(length, sizeof full);
    EXPECT_EQ(full[length], '\0');

    std::vector<char> buffer(length + 8, '#');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), length), length);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(buffer.data(), length), std::string(full, length));
    EXPECT_EQ(buffer[length], '#');

    std::fill(buffer.begin(), buffer.end(), '#');
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), 5), 5u);
    EXPECT_EQ(std::string(buffer.data(), 6), std::string(full, 5) + "#");

    std::fill(buffer.begin(), buffer.end(), '#');
    SetLastError(99);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), length + 1), length);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_STREQ(buffer.data(), full);

    buffer[0] = '#';
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), 0), 0u);
    EXPECT_EQ(buffer[0], '#');
}

TEST(WindowsApiUser, NoFileManagerWindowInATestProcess)
{
    EXPECT_EQ(FindWindowA("TTOTAL_CMD", nullptr), nullptr);
}
