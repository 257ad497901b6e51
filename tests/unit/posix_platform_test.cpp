// The POSIX stand-in layer where it has no Windows counterpart to be checked
// against (the tests in windows_api_*_test.cpp run on both; the files and the
// fault seam are in posix_files_test.cpp): the code page setting, the message
// box hook, and arguments and forms the stand-in refuses where Windows goes
// further.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CodePageControl.h"
#include "FaultInjection.h"
#include "TestFiles.h"
#include "WindowsCalls.h"
#include "tansy_harness.h"

namespace {

// Restores the active code page a test changes.
class PosixCodePage : public ::testing::Test {
protected:
    void SetUp() override { saved_ = TansyActiveCodePage(); }
    void TearDown() override { TansySetActiveCodePage(saved_); }

private:
    UINT saved_ = 0;
};

}  // namespace

// ---- Code pages ------------------------------------------------------------

TEST_F(PosixCodePage, MissingCharactersBecomeTheDefaultOncePerUnit)
{
    ASSERT_TRUE(TansySetActiveCodePage(1251));
    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(CP_ACP, u"aéb中", &used), "a?b?");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToBytes(CP_ACP, u"\U0001F600"), "??");
    char out[4] = {};
    used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"Жé", 2, out, 4, "*", &used), 2);
    EXPECT_EQ(std::string(out, 2), "\xC6*");
    EXPECT_TRUE(used);

    ASSERT_TRUE(TansySetActiveCodePage(1252));
    EXPECT_EQ(ToBytes(CP_ACP, u"éЖ€"), "\xE9?\x80");
}

TEST_F(PosixCodePage, BadArgumentsAreRefused)
{
    // Windows knows more code pages and flags than the stand-in offers.
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

// Windows' own answer is not known here: wine fills the first unit of the
// pair and answers 2.
TEST_F(PosixCodePage, AShortBufferThatWouldCutASurrogatePairFails)
{
    ASSERT_TRUE(TansySetActiveCodePage(CP_UTF8));
    char16_t wide[4];
    std::fill(std::begin(wide), std::end(wide), u'#');
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "x\xF0\x9F\x98\x80", 5, wide, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(wide[2], u'#') << "wrote past the given length";
}

TEST_F(PosixCodePage, SettingSelectsTheCodePage)
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

TEST_F(PosixCodePage, ResettingRereadsTheEnvironment)
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

TEST_F(PosixCodePage, NoLeadBytes)
{
    for (const UINT page : {1251u, 1252u, CP_UTF8}) {
        ASSERT_TRUE(TansySetActiveCodePage(page));
        for (int b = 0; b < 256; ++b) EXPECT_FALSE(IsDBCSLeadByte(static_cast<BYTE>(b)));
    }
}

// ---- Configuration files ---------------------------------------------------

TEST(PosixProfile, AFifoGivesTheDefaultWithoutWaiting)
{
    const std::string fifo = TempDir() + "/ini-fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadProfile(fifo, "main", "hotlist").value, "dflt");
    unlink(fifo.c_str());
}

TEST(PosixProfile, UnreadableFileGivesTheDefault)
{
    const std::string ini = WriteTempFile("[main]\nhotlist=x\n");
    TansyFailNthCall(TansyCall::ReadFile, 1, ERROR_READ_FAULT);
    EXPECT_EQ(ReadProfile(ini, "main", "hotlist").value, "dflt");
    TansyClearFaults();
    EXPECT_EQ(ReadProfile(ini, "main", "hotlist").value, "x");
}

TEST(PosixProfile, NullSectionOrKeyListsNames)
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

TEST(PosixModule, ExecutableAndLibraries)
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

TEST(PosixModule, AddressOutsideAnyModuleFails)
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

// Restores the hook and the active code page a test changes.
class PosixUser : public PosixCodePage {
protected:
    void TearDown() override
    {
        TansySetMessageBoxHook(nullptr);
        PosixCodePage::TearDown();
    }
};

}  // namespace

TEST_F(PosixUser, NoWindowIsFoundWhateverIsAskedFor)
{
    EXPECT_EQ(FindWindowA(nullptr, nullptr), nullptr);
}

TEST_F(PosixUser, HookSeesTheExactArguments)
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

TEST_F(PosixUser, UnhookedBoxIsShownAsUtf8OnStandardError)
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

// Forms that Windows may read under some locale; the stand-in reads none.
TEST(PosixVariant, FormsOfOtherLocalesFail)
{
    for (const std::u16string text : {u"1 2", u"1.5e"}) {
        LONG value = 0;
        EXPECT_EQ(ToInt32(text, value), DISP_E_TYPEMISMATCH) << ::testing::PrintToString(text);
    }
}

TEST(PosixVariant, OnlyTextToInt32IsOffered)
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

TEST(PosixVariant, BstrCarriesItsByteLengthAndAZero)
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
