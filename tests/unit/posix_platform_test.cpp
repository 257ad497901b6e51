// The POSIX stand-in layer of the Windows calls: code pages, files and their
// error codes, the fault seam, configuration files, module paths, message
// boxes and the variant conversion.
#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "CodePageControl.h"
#include "FaultInjection.h"
#include "TestFiles.h"
#include "tansy_harness.h"
#include "tansy_windows.h"

namespace {

// ---- Helpers ---------------------------------------------------------------

class CodePageTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = TansyActiveCodePage(); }
    void TearDown() override { TansySetActiveCodePage(saved_); }

private:
    UINT saved_ = 0;
};

std::u16string ToWide(UINT codePage, const std::string& bytes)
{
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    std::u16string wide(static_cast<size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      wide.data(), n),
                  n);
    }
    return wide;
}

std::string ToBytes(UINT codePage, const std::u16string& wide, BOOL* usedDefault = nullptr)
{
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, usedDefault);
    std::string bytes(static_cast<size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                      bytes.data(), n, nullptr, usedDefault),
                  n);
    }
    return bytes;
}

std::string AllBytes()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

int OpenDescriptorCount()
{
    int count = 0;
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr) return -1;
    while (readdir(folder) != nullptr) ++count;
    closedir(folder);
    return count;
}

HANDLE OpenForReading(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The Windows code CreateFileA leaves for `path` (0 when it opened it).
DWORD OpenError(const std::string& path)
{
    SetLastError(12345);
    const HANDLE handle = OpenForReading(path);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(handle);
    return 0;
}

class FileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TansyClearFaults();
        handles_ = TansyOpenHandleCount();
        descriptors_ = OpenDescriptorCount();
    }
    void TearDown() override
    {
        TansyClearFaults();
        EXPECT_EQ(TansyOpenHandleCount(), handles_) << "a handle was left open";
        EXPECT_EQ(OpenDescriptorCount(), descriptors_) << "a descriptor leaked";
    }

private:
    unsigned handles_ = 0;
    int descriptors_ = 0;
};

}  // namespace

// ---- Code pages ------------------------------------------------------------

TEST_F(CodePageTest, Windows1251Table)
{
    ASSERT_TRUE(TansySetActiveCodePage(1251));
    EXPECT_EQ(ToWide(CP_ACP, "\xC8\xCC\xDF"), u"ИМЯ");
    EXPECT_EQ(ToWide(CP_ACP, "\x98"), std::u16string(1, u'\u0098'));
    EXPECT_EQ(ToWide(CP_ACP, "\x80\x88\xA8\xB8\xB9\xA5\xB4"), u"Ђ€Ёё№Ґґ");
    for (int b = 0xC0; b <= 0xFF; ++b)
        EXPECT_EQ(ToWide(CP_ACP, std::string(1, static_cast<char>(b)))[0], 0x0410 + (b - 0xC0)) << b;
}

TEST_F(CodePageTest, Windows1252Table)
{
    ASSERT_TRUE(TansySetActiveCodePage(1252));
    EXPECT_EQ(ToWide(CP_ACP, "\x80\x9F\x8A\x99"), u"€ŸŠ™");
    // The five bytes Windows-1252 leaves undefined map to the same-numbered controls.
    EXPECT_EQ(ToWide(CP_ACP, "\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
    for (int b = 0xA0; b <= 0xFF; ++b)
        EXPECT_EQ(ToWide(CP_ACP, std::string(1, static_cast<char>(b)))[0], b) << b;
}

TEST_F(CodePageTest, EverySingleByteRoundTripsThroughDistinctUnits)
{
    for (const UINT page : {1251u, 1252u}) {
        ASSERT_TRUE(TansySetActiveCodePage(page));
        const std::u16string wide = ToWide(CP_ACP, AllBytes());
        ASSERT_EQ(wide.size(), 256u) << page;
        EXPECT_EQ(std::u16string(wide).substr(0, 128),
                  ToWide(CP_ACP, AllBytes().substr(0, 128)));  // ASCII half
        for (size_t i = 0; i < 128; ++i) EXPECT_EQ(wide[i], i) << page;
        std::vector<char16_t> sorted(wide.begin(), wide.end());
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << page;
        BOOL used = TRUE;
        EXPECT_EQ(ToBytes(CP_ACP, wide, &used), AllBytes()) << page;
        EXPECT_FALSE(used) << page;
    }
}

TEST_F(CodePageTest, MissingCharactersBecomeTheDefaultOncePerUnit)
{
    ASSERT_TRUE(TansySetActiveCodePage(1251));
    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(CP_ACP, u"aéb中", &used), "a?b?");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToBytes(CP_ACP, u"\U0001F600"), "??");
    EXPECT_EQ(ToBytes(CP_ACP, u"\xD800x"), "?x");
    char out[4] = {};
    used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"Жé", 2, out, 4, "*", &used), 2);
    EXPECT_EQ(std::string(out, 2), "\xC6*");
    EXPECT_TRUE(used);

    ASSERT_TRUE(TansySetActiveCodePage(1252));
    EXPECT_EQ(ToBytes(CP_ACP, u"éЖ€"), "\xE9?\x80");
}

TEST_F(CodePageTest, ZeroBytesInsideTheTextConvert)
{
    for (const UINT page : {1251u, 1252u, CP_UTF8}) {
        ASSERT_TRUE(TansySetActiveCodePage(page));
        EXPECT_EQ(ToWide(CP_ACP, std::string("a\0b", 3)), std::u16string(u"a\0b", 3)) << page;
        EXPECT_EQ(ToBytes(CP_ACP, std::u16string(u"a\0b", 3)), std::string("a\0b", 3)) << page;
    }
}

TEST_F(CodePageTest, Utf8DecodesWellFormedText)
{
    ASSERT_TRUE(TansySetActiveCodePage(CP_UTF8));
    EXPECT_EQ(ToWide(CP_ACP, "\xD0\x98\xD0\x9C\xD0\xAF"), u"ИМЯ");
    EXPECT_EQ(ToWide(CP_ACP, "\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(ToWide(CP_ACP, "\xEF\xBF\xBF\xF4\x8F\xBF\xBF"), u"\uFFFF\U0010FFFF");
    EXPECT_EQ(ToWide(CP_UTF8, "\xE2\x82\xAC"), u"€");
}

TEST_F(CodePageTest, Utf8ReplacesBadSequencesAsWindowsDoes)
{
    ASSERT_TRUE(TansySetActiveCodePage(CP_UTF8));
    const std::u16string R(1, u'\uFFFD');
    struct Case {
        std::string bytes;
        std::u16string units;
    };
    const Case cases[] = {
        {"\x80", R},
        {"\xBF\x80", R + R},
        {"\xC0\x80", R + R},                 // overlong NUL
        {"\xC1\xBF", R + R},
        {"\xE0\x80\x80", R + R},             // overlong: lead and first continuation make one
        {"\xED\xA0\x80", R + R},             // encoded surrogate
        {"\xD0", R},                         // cut at the end
        {"\xE2\x82", R},
        {"\xF0\x9F\x98", R},
        {"\xE2\x82" "A", R + u"A"},
        {"A\xD0" "A", u"A" + R + u"A"},
        {"\xF4\x90\x80\x80", R + R + R},  // past U+10FFFF
        {"\xE2" "A", R},                     // cut short by the end: the rest goes with it
        {"\xF0\x80", R},
        {"\xF5\x80", R + R},
        {"\xFF\xFE", R + R},
        // The example of the Unicode standard, section 3.9.
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
         u"a" + R + R + R + u"b" + R + u"c" + R + R + u"d"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToWide(CP_ACP, c.bytes), c.units) << ::testing::PrintToString(c.bytes);
}

TEST_F(CodePageTest, Utf8WritesLoneSurrogatesAsReplacement)
{
    ASSERT_TRUE(TansySetActiveCodePage(CP_UTF8));
    EXPECT_EQ(ToBytes(CP_ACP, u"\xD800"), "\xEF\xBF\xBD");
    EXPECT_EQ(ToBytes(CP_ACP, u"a\xDC00" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(ToBytes(CP_ACP, u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(ToBytes(CP_ACP, u"\U0001F600Ж"), "\xF0\x9F\x98\x80\xD0\x96");
}

TEST_F(CodePageTest, SizeQueryAndShortBuffers)
{
    for (const UINT page : {1251u, CP_UTF8}) {
        ASSERT_TRUE(TansySetActiveCodePage(page));
        const std::string bytes = page == CP_UTF8 ? "x\xF0\x9F\x98\x80" : "x\xC0\xC1";
        const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                              nullptr, 0);
        EXPECT_EQ(units, 3) << page;
        char16_t wide[8];
        std::fill(std::begin(wide), std::end(wide), u'#');
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide,
                                      units - 1),
                  0);
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(wide[units - 1], u'#') << "wrote past the given length";
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide,
                                      units),
                  units);

        // -1: the text runs to its zero, which is converted and counted too.
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, nullptr, 0), units + 1);
        std::fill(std::begin(wide), std::end(wide), u'#');
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, wide, 8), units + 1);
        EXPECT_EQ(wide[units], u'\0');

        const int needed = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
        EXPECT_EQ(needed, static_cast<int>(bytes.size()) + 1);
        char out[8];
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, out, needed - 1, nullptr, nullptr), 0);
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, out, needed, nullptr, nullptr), needed);
        EXPECT_STREQ(out, bytes.c_str());
    }
}

TEST_F(CodePageTest, BadArgumentsAreRefused)
{
    char16_t wide[4];
    char bytes[4] = "abc";
    const auto mbFails = [&](UINT page, DWORD flags, const char* source, int length, char16_t* dest,
                             int destLength) {
        SetLastError(0);
        const int n = MultiByteToWideChar(page, flags, source, length, dest, destLength);
        return n == 0 ? GetLastError() : 0u;
    };
    EXPECT_EQ(mbFails(CP_ACP, 0, nullptr, 3, wide, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mbFails(CP_ACP, 0, "abc", 0, wide, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mbFails(CP_ACP, 0, "abc", -2, wide, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mbFails(CP_ACP, 0, "abc", 3, wide, -1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mbFails(CP_ACP, 0, "abc", 3, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mbFails(437, 0, "abc", 3, wide, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(mbFails(CP_ACP, 8, "abc", 3, wide, 4), ERROR_INVALID_FLAGS);
    EXPECT_EQ(mbFails(CP_ACP, 0, bytes, 3, reinterpret_cast<char16_t*>(bytes), 2),
              ERROR_INVALID_PARAMETER);  // overlapping buffers

    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 4, "?", nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);  // UTF-8 has no default character
    BOOL used;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 4, nullptr, &used), 0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a", 0, bytes, 4, nullptr, nullptr), 0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, nullptr, 1, bytes, 4, nullptr, nullptr), 0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 4, u"a", 1, bytes, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
}

TEST_F(CodePageTest, SettingSelectsTheCodePage)
{
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(TansyCodePageFromSetting(nullptr), CP_UTF8);
    EXPECT_EQ(TansyCodePageFromSetting(""), CP_UTF8);
    EXPECT_EQ(TansyCodePageFromSetting("1251"), 1251u);
    EXPECT_EQ(TansyCodePageFromSetting("1252"), 1252u);
    EXPECT_EQ(TansyCodePageFromSetting("65001"), CP_UTF8);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    for (const char* bad : {"866", " 1251", "utf8", "1251x"}) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(TansyCodePageFromSetting(bad), CP_UTF8) << bad;
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("TANSY_CODEPAGE"), std::string::npos) << said;
        EXPECT_NE(said.find(bad), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

TEST_F(CodePageTest, ResettingRereadsTheEnvironment)
{
    const char* before = std::getenv("TANSY_CODEPAGE");
    const std::string saved = before != nullptr ? before : "";
    setenv("TANSY_CODEPAGE", "1252", 1);
    ASSERT_TRUE(TansySetActiveCodePage(0));
    EXPECT_EQ(TansyActiveCodePage(), 1252u);
    EXPECT_EQ(ToWide(CP_ACP, "\x80"), u"€");
    setenv("TANSY_CODEPAGE", "1251", 1);
    EXPECT_EQ(TansyActiveCodePage(), 1252u) << "read once, not at every call";
    if (before != nullptr)
        setenv("TANSY_CODEPAGE", saved.c_str(), 1);
    else
        unsetenv("TANSY_CODEPAGE");
    EXPECT_FALSE(TansySetActiveCodePage(437));
    EXPECT_EQ(TansyActiveCodePage(), 1252u);
}

TEST_F(CodePageTest, NoLeadBytes)
{
    for (const UINT page : {1251u, 1252u, CP_UTF8}) {
        ASSERT_TRUE(TansySetActiveCodePage(page));
        for (int b = 0; b < 256; ++b) EXPECT_FALSE(IsDBCSLeadByte(static_cast<BYTE>(b)));
    }
}

// ---- Files -----------------------------------------------------------------

TEST_F(FileTest, ReadsARegularFileToItsEnd)
{
    const std::string path = WriteTempFile("hello world");
    SetLastError(99);
    const HANDLE file = OpenForReading(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_NE(file, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(TansyGetLastError(), ERROR_SUCCESS);
    char buffer[64];
    DWORD got = 77;
    ASSERT_TRUE(ReadFile(file, buffer, 5, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "hello");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), " world");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 0u) << "the end stays the end";
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FileTest, OpenFailuresGiveWindowsCodes)
{
    const std::string folder = TempDir();
    const std::string file = WriteTempFile("x");
    EXPECT_EQ(OpenError(folder + "/no-such-file"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError("no-such-file-here"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError(folder + "/no-such-folder/file"), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(folder + "/no-such-folder/deeper/file"), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(file + "/file"), ERROR_PATH_NOT_FOUND);  // a file used as a folder
    EXPECT_EQ(OpenError(""), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(folder), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError("/dev/null"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError(folder + "/" + std::string(300, 'n')), ERROR_FILENAME_EXCED_RANGE);
    std::string deep = folder;
    while (deep.size() <= PATH_MAX) deep += "/abcdefgh";
    EXPECT_EQ(OpenError(deep), ERROR_FILENAME_EXCED_RANGE);

    const std::string loop = folder + "/loop";
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
    EXPECT_EQ(OpenError(loop), ERROR_CANT_RESOLVE_FILENAME);
    unlink(loop.c_str());
    EXPECT_EQ(OpenError(file), 0u);
}

TEST_F(FileTest, UnreadableFileIsAccessDenied)
{
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const std::string file = WriteTempFile("secret");
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    EXPECT_EQ(OpenError(file), ERROR_ACCESS_DENIED);
}

TEST_F(FileTest, FifoIsRefusedWithoutWaitingForAWriter)
{
    const std::string fifo = TempDir() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto opening = std::async(std::launch::async, [&] { return OpenError(fifo); });
    if (opening.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Release the blocked open so the test can end.
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
        ADD_FAILURE() << "CreateFileA blocked on a FIFO";
    }
    EXPECT_EQ(opening.get(), ERROR_ACCESS_DENIED);
    unlink(fifo.c_str());
}

TEST_F(FileTest, ExclusiveLockOfAWriterIsASharingViolation)
{
    const std::string path = WriteTempFile("locked");
    const int writer = open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(flock(writer, LOCK_EX), 0);
    EXPECT_EQ(OpenError(path), ERROR_SHARING_VIOLATION);
    ASSERT_EQ(flock(writer, LOCK_UN), 0);

    // While the file is open for reading, a writer cannot take it.
    const HANDLE reader = OpenForReading(path);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(path), 0u) << "readers share the file";
    EXPECT_NE(flock(writer, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(errno, EWOULDBLOCK);
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_EQ(flock(writer, LOCK_EX | LOCK_NB), 0);
    close(writer);
}

TEST_F(FileTest, BadHandlesAndArguments)
{
    char buffer[8];
    DWORD got = 77;
    for (const HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        SetLastError(0);
        EXPECT_FALSE(ReadFile(bad, buffer, sizeof buffer, &got, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(got, 0u);
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    const HANDLE file = OpenForReading(WriteTempFile("abc"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(CloseHandle(file));
    SetLastError(0);
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << "read after close";
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << "second close";

    SetLastError(0);
    EXPECT_EQ(CreateFileA(WriteTempFile("w").c_str(), GENERIC_READ | 0x40000000u, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "this layer only reads";
}

TEST_F(FileTest, StandardInput)
{
    EXPECT_EQ(GetStdHandle(STD_INPUT_HANDLE), reinterpret_cast<HANDLE>(1));
    SetLastError(0);
    EXPECT_EQ(GetStdHandle(12345), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    // A process without a standard input gets a null handle, and reading it fails.
    const int saved = dup(0);
    ASSERT_GE(saved, 0);
    close(0);
    const HANDLE none = GetStdHandle(STD_INPUT_HANDLE);
    char buffer[4];
    DWORD got = 7;
    const BOOL read = ReadFile(none, buffer, sizeof buffer, &got, nullptr);
    const DWORD code = GetLastError();
    dup2(saved, 0);
    close(saved);
    EXPECT_EQ(none, nullptr);
    EXPECT_FALSE(read);
    EXPECT_EQ(code, ERROR_INVALID_HANDLE);
}

TEST_F(FileTest, ReadsFromAPipeHandle)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "piped", 5), 5);
    close(ends[1]);
    const HANDLE reader = reinterpret_cast<HANDLE>(static_cast<intptr_t>(ends[0]) + 1);
    char buffer[16];
    DWORD got = 0;
    // An interrupted read is made again.
    TansyFailNthSystemCall(TansySystemCall::Read, 1, EINTR);
    ASSERT_TRUE(ReadFile(reader, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "piped");
    EXPECT_EQ(TansyFaultsStruck(), 1u);
    ASSERT_TRUE(ReadFile(reader, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(CloseHandle(reader));
}

// ---- The fault seam --------------------------------------------------------

TEST_F(FileTest, PlannedCallFailuresStrikeOnceAtTheNthCall)
{
    const std::string path = WriteTempFile("0123456789");
    const unsigned openBefore = TansyOpenHandleCount();
    TansyFailNthCall(TansyCall::CreateFileA, 2, ERROR_TOO_MANY_OPEN_FILES);
    const HANDLE first = OpenForReading(path);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_EQ(OpenForReading(path), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_TOO_MANY_OPEN_FILES);
    const HANDLE third = OpenForReading(path);
    ASSERT_NE(third, INVALID_HANDLE_VALUE);
    EXPECT_EQ(TansyCallCount(TansyCall::CreateFileA), 3u);
    EXPECT_EQ(TansyOpenHandleCount(), openBefore + 2);

    // A failed read reads nothing: the next read starts where it would have.
    char buffer[4];
    DWORD got = 77;
    TansyFailNthCall(TansyCall::ReadFile, 1, ERROR_READ_FAULT);
    EXPECT_FALSE(ReadFile(first, buffer, 4, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(ReadFile(first, buffer, 4, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "0123");

    // A failed close still releases the handle.
    const unsigned open = TansyOpenHandleCount();
    TansyFailNthCall(TansyCall::CloseHandle, 1, ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(first));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(TansyOpenHandleCount(), open - 1);
    EXPECT_TRUE(CloseHandle(third));
    EXPECT_EQ(TansyFaultsStruck(), 3u);

    // Zero cancels a plan; clearing drops every plan and counter.
    TansyFailNthCall(TansyCall::CreateFileA, 1, ERROR_ACCESS_DENIED);
    TansyFailNthCall(TansyCall::CreateFileA, 0, ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError(path), 0u);
    TansyFailNthCall(TansyCall::CreateFileA, 1, ERROR_ACCESS_DENIED);
    TansyClearFaults();
    EXPECT_EQ(OpenError(path), 0u);
    EXPECT_EQ(TansyCallCount(TansyCall::CreateFileA), 1u);
    EXPECT_EQ(TansyFaultsStruck(), 0u);
}

TEST_F(FileTest, SystemCallErrorsBecomeWindowsCodes)
{
    const std::string path = WriteTempFile("data");
    struct Case {
        TansySystemCall call;
        int error;
        DWORD code;
    };
    const Case opens[] = {
        {TansySystemCall::Open, EMFILE, ERROR_TOO_MANY_OPEN_FILES},
        {TansySystemCall::Open, ENFILE, ERROR_TOO_MANY_OPEN_FILES},
        {TansySystemCall::Open, ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
        {TansySystemCall::Open, EACCES, ERROR_ACCESS_DENIED},
        {TansySystemCall::Open, EPERM, ERROR_ACCESS_DENIED},
        {TansySystemCall::Open, EXDEV, ERROR_GEN_FAILURE},  // no better code
        {TansySystemCall::Stat, ELOOP, ERROR_CANT_RESOLVE_FILENAME},
        {TansySystemCall::Stat, EIO, ERROR_READ_FAULT},
        {TansySystemCall::Fstat, EIO, ERROR_READ_FAULT},
        {TansySystemCall::Fcntl, EBADF, ERROR_INVALID_HANDLE},
        {TansySystemCall::Flock, EWOULDBLOCK, ERROR_SHARING_VIOLATION},
        {TansySystemCall::Flock, EIO, ERROR_READ_FAULT},
    };
    for (const Case& c : opens) {
        TansyFailNthSystemCall(c.call, 1, c.error);
        EXPECT_EQ(OpenError(path), c.code) << static_cast<int>(c.call) << " " << c.error;
        TansyClearFaults();
    }

    // Interrupted calls are made again; a file system without locks still opens.
    for (const TansySystemCall call : {TansySystemCall::Open, TansySystemCall::Flock}) {
        TansyFailNthSystemCall(call, 1, EINTR);
        EXPECT_EQ(OpenError(path), 0u) << static_cast<int>(call);
    }
    TansyFailNthSystemCall(TansySystemCall::Flock, 1, ENOLCK);
    EXPECT_EQ(OpenError(path), 0u);

    const HANDLE file = OpenForReading(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[8];
    DWORD got = 0;
    TansyFailNthSystemCall(TansySystemCall::Read, 1, EIO);
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
    TansyFailNthSystemCall(TansySystemCall::Read, 1, EISDIR);
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    TansyFailNthSystemCall(TansySystemCall::Close, 1, EIO);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
    // The fixture checks that the descriptor was released all the same.
}

TEST_F(FileTest, MissingFileTellsFileFromFolderEvenWhenTheCheckFails)
{
    // The second stat looks at the folder; when that fails too, the folder counts as missing.
    TansyFailNthSystemCall(TansySystemCall::Stat, 2, EIO);
    EXPECT_EQ(OpenError(TempDir() + "/absent"), ERROR_PATH_NOT_FOUND);
}

// ---- Configuration files ---------------------------------------------------

namespace {

struct Lookup {
    std::string value;
    DWORD count;
};

Lookup Read(const std::string& file, const char* section, const char* key,
            const char* fallback = "dflt", DWORD size = 256)
{
    std::vector<char> buffer(size + 8, '#');
    const DWORD count =
        GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file.c_str());
    EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
    return {std::string(buffer.data(), size > 0 ? std::strlen(buffer.data()) : 0), count};
}

std::string ReadValue(const std::string& content, const char* key = "hotlist")
{
    return Read(WriteTempFile(content), "main", key).value;
}

}  // namespace

TEST(Profile, NamesIgnoreCaseAndBlanksAreTrimmed)
{
    const std::string ini = WriteTempFile("[Other]\nhotlist=wrong\n  [ MAIN ]  \n\t HotList \t=  /b/c d.adr \t\n");
    const Lookup found = Read(ini, "main", "HOTLIST");
    EXPECT_EQ(found.value, "/b/c d.adr");
    EXPECT_EQ(found.count, 10u);
    EXPECT_EQ(Read(ini, "  main ", " hotlist ").value, "/b/c d.adr");
}

TEST(Profile, OnePairOfMatchingQuotesIsRemoved)
{
    EXPECT_EQ(ReadValue("[main]\nhotlist=\"a b\"\n"), "a b");
    EXPECT_EQ(ReadValue("[main]\nhotlist='a b'\n"), "a b");
    EXPECT_EQ(ReadValue("[main]\nhotlist=\" padded \"\n"), " padded ");
    EXPECT_EQ(ReadValue("[main]\nhotlist=\"\"x\"\"\n"), "\"x\"");
    EXPECT_EQ(ReadValue("[main]\nhotlist=\"\"\n"), "");
    EXPECT_EQ(ReadValue("[main]\nhotlist=\"\n"), "\"");
    EXPECT_EQ(ReadValue("[main]\nhotlist=\"abc\n"), "\"abc");
    EXPECT_EQ(ReadValue("[main]\nhotlist=\"abc'\n"), "\"abc'");
    EXPECT_EQ(ReadValue("[main]\nhotlist=a\"b\"\n"), "a\"b\"");
}

TEST(Profile, FirstSectionAndFirstKeyWin)
{
    EXPECT_EQ(ReadValue("[main]\nhotlist=one\nhotlist=two\n"), "one");
    EXPECT_EQ(ReadValue("[main]\nother=1\n[main]\nhotlist=late\n"), "dflt");
    EXPECT_EQ(ReadValue("[main]\nhotlist=first\n[MAIN]\nhotlist=second\n"), "first");
    EXPECT_EQ(ReadValue("hotlist=outside\n[main]\n"), "dflt");
    EXPECT_EQ(ReadValue("[other]\nhotlist=x\n"), "dflt");
    EXPECT_EQ(ReadValue("[main]\n[next]\nhotlist=x\n"), "dflt");
    EXPECT_EQ(ReadValue("[main]\n[main]\nhotlist=late\n"), "dflt");
}

TEST(Profile, CommentsMarksAndLineBreaks)
{
    EXPECT_EQ(ReadValue("[main]\n;hotlist=x\n"), "dflt");
    EXPECT_EQ(ReadValue("[main]\n  ; hotlist=x\nhotlist=y\n"), "y");
    EXPECT_EQ(ReadValue("[main]\nhotlist=a;b\n"), "a;b");
    EXPECT_EQ(ReadValue("\xEF\xBB\xBF[main]\nhotlist=bom\n"), "bom");
    EXPECT_EQ(ReadValue("[main]\r\nhotlist=crlf\r\n"), "crlf");
    EXPECT_EQ(ReadValue("[main]\rhotlist=cr"), "cr");
    EXPECT_EQ(ReadValue("[main] trailing words\nhotlist=x\n"), "x");
    EXPECT_EQ(ReadValue("[main]\nhotlist=x=y\n"), "x=y");
    EXPECT_EQ(ReadValue("[main]\nhotlist=\n"), "");
    EXPECT_EQ(ReadValue("[main]\nhotlist=end\x1A"), "end");
}

TEST(Profile, ValueIsCutToTheBuffer)
{
    const std::string ini = WriteTempFile("[main]\nhotlist=" + std::string(300, 'v') + "\n");
    const Lookup cut = Read(ini, "main", "hotlist");
    EXPECT_EQ(cut.value, std::string(255, 'v'));
    EXPECT_EQ(cut.count, 255u);
    EXPECT_EQ(Read(ini, "main", "hotlist", "", 1).count, 0u);
    EXPECT_EQ(Read(ini, "main", "hotlist", "", 1).value, "");
    EXPECT_EQ(Read(ini, "main", "hotlist", "", 4).value, "vvv");
    EXPECT_EQ(Read(ini, "main", "nokey", "long default", 5).value, "long");
}

TEST(Profile, DefaultWhenFileSectionOrKeyIsMissing)
{
    const std::string ini = WriteTempFile("[main]\nhotlist=x\n");
    EXPECT_EQ(Read(TempDir() + "/absent.ini", "main", "hotlist").value, "dflt");
    EXPECT_EQ(Read(ini, "nosection", "hotlist").value, "dflt");
    EXPECT_EQ(Read(ini, "main", "nokey").value, "dflt");
    EXPECT_EQ(Read(ini, "main", "nokey", "with blanks   ").value, "with blanks");
    const Lookup none = Read(ini, "main", "nokey", nullptr);
    EXPECT_EQ(none.value, "");
    EXPECT_EQ(none.count, 0u);
    // Files that are not regular files are not read, and never waited for.
    EXPECT_EQ(Read(TempDir(), "main", "hotlist").value, "dflt");
    const std::string fifo = TempDir() + "/ini-fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Read(fifo, "main", "hotlist").value, "dflt");
    unlink(fifo.c_str());
}

TEST(Profile, UnreadableFileGivesTheDefault)
{
    const std::string ini = WriteTempFile("[main]\nhotlist=x\n");
    TansyFailNthCall(TansyCall::ReadFile, 1, ERROR_READ_FAULT);
    EXPECT_EQ(Read(ini, "main", "hotlist").value, "dflt");
    TansyClearFaults();
    EXPECT_EQ(Read(ini, "main", "hotlist").value, "x");
}

TEST(Profile, NullSectionOrKeyListsNames)
{
    const std::string ini = WriteTempFile("[one]\na=1\n;c=3\nb=2\n[two]\n");
    std::vector<char> buffer(32, '#');
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 32, ini.c_str()), 8u);
    EXPECT_EQ(std::string(buffer.data(), 9), std::string("one\0two\0\0", 9));
    EXPECT_EQ(GetPrivateProfileStringA("ONE", nullptr, "", buffer.data(), 32, ini.c_str()), 4u);
    EXPECT_EQ(std::string(buffer.data(), 5), std::string("a\0b\0\0", 5));
    // A list that does not fit is cut and still ends in two zeros.
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 6, ini.c_str()), 4u);
    EXPECT_EQ(std::string(buffer.data(), 6), std::string("one\0\0\0", 6));
}

// ---- Module paths ----------------------------------------------------------

namespace {

std::string ExecutablePath()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

std::string ModulePath(const void* address)
{
    char path[PATH_MAX + 1];
    const DWORD n = GetModuleFileNameA(reinterpret_cast<HMODULE>(const_cast<void*>(address)), path,
                                       sizeof path);
    return std::string(path, n);
}

}  // namespace

TEST(ModuleFileName, ExecutableAndLibraries)
{
    const std::string exe = ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(ModulePath(nullptr), exe);
    // This test program holds the layer itself.
    EXPECT_EQ(ModulePath(reinterpret_cast<const void*>(&ExecutablePath)), exe);
    const void* inLibc = dlsym(RTLD_DEFAULT, "getpid");
    ASSERT_NE(inLibc, nullptr);
    const std::string libc = ModulePath(inLibc);
    ASSERT_FALSE(libc.empty());
    EXPECT_EQ(libc.front(), '/');
    EXPECT_NE(libc.find("libc"), std::string::npos) << libc;
    char* resolved = realpath(libc.c_str(), nullptr);
    ASSERT_NE(resolved, nullptr);
    EXPECT_EQ(libc, resolved);
    free(resolved);
}

TEST(ModuleFileName, ShortBufferGetsSizeBytesWithoutAZero)
{
    const std::string exe = ExecutablePath();
    const DWORD length = static_cast<DWORD>(exe.size());
    std::vector<char> buffer(length + 8, '#');

    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), length), length);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(buffer.data(), length), exe);
    EXPECT_EQ(buffer[length], '#');

    std::fill(buffer.begin(), buffer.end(), '#');
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), 5), 5u);
    EXPECT_EQ(std::string(buffer.data(), 6), exe.substr(0, 5) + "#");

    SetLastError(99);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), length + 1), length);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_STREQ(buffer.data(), exe.c_str());

    buffer[0] = '#';
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), 0), 0u);
    EXPECT_EQ(buffer[0], '#');
}

TEST(ModuleFileName, AddressOutsideAnyModuleFails)
{
    const auto block = std::make_unique<char[]>(1 << 22);  // mapped on its own, in no module
    char path[64] = "#";
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(block.get() + 100), path, sizeof path), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

// ---- Windows and message boxes ---------------------------------------------

namespace {

struct SeenBox {
    HWND owner;
    const char* text;
    const char* caption;
    UINT style;
    int calls;
};
SeenBox gSeen;

int RecordBox(HWND owner, const char* text, const char* caption, UINT style)
{
    gSeen = {owner, text, caption, style, gSeen.calls + 1};
    return 7;
}

}  // namespace

TEST(User, NoWindowIsFound)
{
    EXPECT_EQ(FindWindowA("TTOTAL_CMD", nullptr), nullptr);
    EXPECT_EQ(FindWindowA(nullptr, nullptr), nullptr);
}

TEST(User, HookSeesTheExactArguments)
{
    gSeen = {};
    TansySetMessageBoxHook(&RecordBox);
    const char text[] = "Installation succeful";
    const char caption[] = "Information";
    const HWND owner = reinterpret_cast<HWND>(0x1234);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(owner, text, caption, 0x40), 7);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "a hooked box is not shown";
    TansySetMessageBoxHook(nullptr);
    EXPECT_EQ(gSeen.calls, 1);
    EXPECT_EQ(gSeen.owner, owner);
    EXPECT_EQ(gSeen.text, text);
    EXPECT_EQ(gSeen.caption, caption);
    EXPECT_EQ(gSeen.style, 0x40u);
}

TEST_F(CodePageTest, UnhookedBoxIsShownAsUtf8OnStandardError)
{
    TansySetMessageBoxHook(nullptr);
    ASSERT_TRUE(TansySetActiveCodePage(1251));
    ::testing::internal::CaptureStderr();
    // "Параметры закладки" and "Имя" in Windows-1251.
    EXPECT_EQ(MessageBoxA(nullptr, "\xC8\xEC\xFF: a\r\nb", "\xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB "
                                                           "\xE7\xE0\xEA\xEB\xE0\xE4\xEA\xE8",
                          0),
              IDOK);
    const std::string shown = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("Параметры закладки"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Имя: a\nb"), std::string::npos) << shown;

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, 0), IDOK);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Error"), std::string::npos);
}

// ---- Variants --------------------------------------------------------------

namespace {

// VariantChangeTypeEx of the text as a BSTR to VT_I4.
HRESULT ToInt32(const std::u16string& text, LONG& value)
{
    VARIANT source;
    VARIANT dest;
    VariantInit(&source);
    VariantInit(&dest);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    const HRESULT result = VariantChangeTypeEx(&dest, &source, LOCALE_USER_DEFAULT, 0, VT_I4);
    if (SUCCEEDED(result)) {
        EXPECT_EQ(dest.vt, VT_I4);
        value = dest.lVal;
    } else {
        EXPECT_EQ(dest.vt, VT_EMPTY) << "a failed conversion leaves the destination alone";
    }
    VariantClear(&source);
    VariantClear(&dest);
    return result;
}

}  // namespace

TEST(Variant, DecimalTextConverts)
{
    const std::pair<std::u16string, LONG> cases[] = {
        {u"42", 42},          {u"-7", -7},    {u"  12  ", 12},         {u"+5", 5},
        {u"\t9\r\n", 9},      {u"007", 7},    {u"-0", 0},              {u"2147483647", 2147483647},
        {u"-2147483648", INT32_MIN},          {u"0000000000002147483647", 2147483647},
        {std::u16string(u"12\0junk", 7), 12},  // read up to the first zero unit
    };
    for (const auto& [text, expected] : cases) {
        LONG value = -1;
        EXPECT_EQ(ToInt32(text, value), S_OK) << ::testing::PrintToString(text);
        EXPECT_EQ(value, expected);
    }
}

TEST(Variant, OtherTextFails)
{
    for (const std::u16string text :
         {u"", u" ", u"abc", u"12a", u"1 2", u"+", u"-", u"--1", u"+-1", u"0x10", u"1.5e", u"١٢"}) {
        LONG value = 0;
        EXPECT_EQ(ToInt32(text, value), DISP_E_TYPEMISMATCH) << ::testing::PrintToString(text);
    }
    for (const std::u16string text : {u"2147483648", u"-2147483649", u"99999999999999999999999"}) {
        LONG value = 0;
        EXPECT_EQ(ToInt32(text, value), DISP_E_OVERFLOW) << ::testing::PrintToString(text);
    }
    LONG value = 0;
    EXPECT_EQ(ToInt32(std::u16string(u"\0" u"12", 3), value), DISP_E_TYPEMISMATCH);
}

TEST(Variant, OnlyTextToInt32IsOffered)
{
    VARIANT source;
    VARIANT dest;
    VariantInit(&source);
    VariantInit(&dest);
    EXPECT_EQ(VariantChangeTypeEx(&dest, &source, LOCALE_USER_DEFAULT, 0, VT_I4), DISP_E_TYPEMISMATCH);
    source.vt = VT_I4;
    source.lVal = 5;
    EXPECT_EQ(VariantChangeTypeEx(&dest, &source, LOCALE_USER_DEFAULT, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    source.vt = VT_BSTR;
    source.bstrVal = nullptr;  // a null BSTR is empty text
    EXPECT_EQ(VariantChangeTypeEx(&dest, &source, LOCALE_USER_DEFAULT, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeTypeEx(nullptr, &source, LOCALE_USER_DEFAULT, 0, VT_I4), E_INVALIDARG);

    // In place: the text is read before the variant is cleared.
    source.bstrVal = SysAllocStringLen(u"31", 2);
    EXPECT_EQ(VariantChangeTypeEx(&source, &source, LOCALE_USER_DEFAULT, 0, VT_I4), S_OK);
    EXPECT_EQ(source.vt, VT_I4);
    EXPECT_EQ(source.lVal, 31);
}

TEST(Variant, BstrCarriesItsByteLengthAndAZero)
{
    const BSTR text = SysAllocStringLen(u"abc", 3);
    ASSERT_NE(text, nullptr);
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<const char*>(text) - 4, 4);
    EXPECT_EQ(bytes, 6u);
    EXPECT_EQ(std::u16string(text, 4), std::u16string(u"abc\0", 4));
    SysFreeString(text);
    const BSTR blank = SysAllocStringLen(nullptr, 2);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(std::u16string(blank, 3), std::u16string(3, u'\0'));
    SysFreeString(blank);
    SysFreeString(nullptr);
    EXPECT_EQ(SysAllocStringLen(u"x", 0x80000000u), nullptr);
}
