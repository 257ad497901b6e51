// The file manager's start-up record (ExtensionInitialize): boxes go through
// the host's own message box as UTF-8, the harness hook still comes first,
// and a short or missing record leaves them on standard error. The last
// tests load the built library itself and drive it the way a Linux file
// manager does: "/"-separated UTF-8 paths, boxes through the record.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CodePageControl.h"
#include "ExportDriver.h"
#include "TestFiles.h"
#include "Extension.h"
#include "tansy_harness.h"
#include "tansy_windows.h"

namespace {

constexpr int kIdCancel = 2;  // the Cancel button's ID

struct HostBox {
    std::string text;
    std::string caption;
    long flags = -1;
};
std::vector<HostBox> gHostBoxes;
int gHostAnswer = IDOK;

int RecordHostBox(char* Text, char* Caption, long Flags)
{
    gHostBoxes.push_back({Text, Caption, Flags});
    return gHostAnswer;
}

int AnswerFromHarness(HWND, const char*, const char*, UINT)
{
    return kIdCancel;
}

// The host's record is longer than the part the library knows: it goes on
// with more function pointers after MessageBox.
struct HostRecord {
    TExtensionStartupInfo info;
    void* moreCallbacks[8];
};

std::unique_ptr<HostRecord> MakeRecord(TExtensionMessageBoxProc box)
{
    auto record = std::make_unique<HostRecord>();
    std::memset(record.get(), 0, sizeof(HostRecord));
    record->info.StructSize = sizeof(HostRecord);
    std::strcpy(record->info.PluginDir, "/opt/plugins/");
    std::strcpy(record->info.PluginConfDir, "/home/user/.config/fm/");
    record->info.MessageBox = box;
    return record;
}

class Extension : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedCodePage_ = TansyActiveCodePage();
        gHostBoxes.clear();
        gHostAnswer = IDOK;
        TansySetMessageBoxHook(nullptr);
    }
    void TearDown() override
    {
        ExtensionInitialize(nullptr);
        TansySetMessageBoxHook(nullptr);
        TansySetActiveCodePage(savedCodePage_);
    }

private:
    UINT savedCodePage_ = 0;
};

// "Параметры закладки" and "Имя: a\r\nb" in Windows-1251.
constexpr char kCaption1251[] = "\xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB \xE7\xE0\xEA\xEB\xE0\xE4\xEA\xE8";
constexpr char kText1251[] = "\xC8\xEC\xFF: a\r\nb";

}  // namespace

TEST_F(Extension, HostBoxGetsUtf8TextCaptionAndStyle)
{
    ASSERT_TRUE(TansySetActiveCodePage(1251));
    const auto record = MakeRecord(&RecordHostBox);
    ExtensionInitialize(&record->info);
    gHostAnswer = kIdCancel;

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, kText1251, kCaption1251, MB_OK | MB_ICONINFORMATION), kIdCancel)
        << "the host's answer is the box's result";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "a box the host shows is not printed";

    ASSERT_EQ(gHostBoxes.size(), 1u);
    EXPECT_EQ(gHostBoxes[0].caption, "Параметры закладки");
    EXPECT_EQ(gHostBoxes[0].text, "Имя: a\nb");
    EXPECT_EQ(gHostBoxes[0].flags, static_cast<long>(MB_OK | MB_ICONINFORMATION));
}

TEST_F(Extension, Utf8CodePagePassesTextUnchangedAndMissingCaptionIsError)
{
    ASSERT_TRUE(TansySetActiveCodePage(CP_UTF8));
    const auto record = MakeRecord(&RecordHostBox);
    ExtensionInitialize(&record->info);

    EXPECT_EQ(MessageBoxA(nullptr, "ИМЯ: Почта — входящие", "Параметры закладки", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    ASSERT_EQ(gHostBoxes.size(), 2u);
    EXPECT_EQ(gHostBoxes[0].text, "ИМЯ: Почта — входящие");
    EXPECT_EQ(gHostBoxes[0].caption, "Параметры закладки");
    EXPECT_EQ(gHostBoxes[0].flags, 0);
    // Windows shows a box without a caption as "Error".
    EXPECT_EQ(gHostBoxes[1].text, "");
    EXPECT_EQ(gHostBoxes[1].caption, "Error");
}

TEST_F(Extension, HarnessHookWinsOverTheHostBox)
{
    const auto record = MakeRecord(&RecordHostBox);
    ExtensionInitialize(&record->info);
    TansySetMessageBoxHook(&AnswerFromHarness);
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OK), kIdCancel);
    EXPECT_TRUE(gHostBoxes.empty());

    TansySetMessageBoxHook(nullptr);
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OK), IDOK);
    EXPECT_EQ(gHostBoxes.size(), 1u);
}

TEST_F(Extension, RecordTooShortForMessageBoxIsNotReadThere)
{
    ASSERT_TRUE(TansySetActiveCodePage(CP_UTF8));
    const auto record = MakeRecord(&RecordHostBox);
    for (const uint32_t size : {0u, 4u, static_cast<uint32_t>(kExtensionMessageBoxEnd - 1)}) {
        record->info.StructSize = size;
        ExtensionInitialize(&record->info);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(MessageBoxA(nullptr, "shown", "Box", MB_OK), IDOK);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[Box]\nshown\n[OK]\n") << size;
    }
    EXPECT_TRUE(gHostBoxes.empty());

    // Exactly as long as needed is long enough.
    record->info.StructSize = static_cast<uint32_t>(kExtensionMessageBoxEnd);
    ExtensionInitialize(&record->info);
    EXPECT_EQ(MessageBoxA(nullptr, "shown", "Box", MB_OK), IDOK);
    EXPECT_EQ(gHostBoxes.size(), 1u);
}

TEST_F(Extension, NullRecordOrNullBoxGoesBackToStandardError)
{
    ASSERT_TRUE(TansySetActiveCodePage(CP_UTF8));
    const auto record = MakeRecord(&RecordHostBox);
    const auto withoutBox = MakeRecord(nullptr);
    for (TExtensionStartupInfo* second : {static_cast<TExtensionStartupInfo*>(nullptr), &withoutBox->info}) {
        ExtensionInitialize(&record->info);
        ExtensionInitialize(second);  // the last call's record holds
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(MessageBoxA(nullptr, "shown", "Box", MB_OK), IDOK);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[Box]\nshown\n[OK]\n");
    }
    EXPECT_TRUE(gHostBoxes.empty());
}

TEST_F(Extension, RecordLayoutIsPackedAsTheHostWritesIt)
{
    EXPECT_EQ(offsetof(TExtensionStartupInfo, PluginDir), 4u);
    EXPECT_EQ(offsetof(TExtensionStartupInfo, PluginConfDir), 4u + 16384u);
    EXPECT_EQ(offsetof(TExtensionStartupInfo, InputBox), 4u + 2u * 16384u);
    EXPECT_EQ(offsetof(TExtensionStartupInfo, MessageBox), 4u + 2u * 16384u + sizeof(void*));
    EXPECT_EQ(kExtensionMessageBoxEnd, 4u + 2u * 16384u + 2u * sizeof(void*));
}

// ---- The built library, driven as a Linux file manager drives it ------------

#ifdef TANSY_LIBRARY_PATH

namespace {

namespace fs = std::filesystem;

using ExtensionInitializeFn = void (*)(TExtensionStartupInfo*);

constexpr char kHotlist[] =
    "Hotlist version 2.0\n"
    "Options: encoding = utf8, version=3\n"
    "\n"
    "#URL\n\tID=1\n\tNAME=Почта\n\tURL=https://mail.example/\n\n"
    "#FOLDER\n\tID=2\n\tNAME=Новости дня\n\n"
    "#URL\n\tID=3\n\tNAME=Лента\n\tURL=https://news.example/feed\n\tDESCRIPTION=Сводки\n\n"
    "-\n";

// A copy of the library in a folder of its own, with its configuration
// naming a hotlist, loaded with the UTF-8 code page a Linux host uses.
class LoadedLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* previous = getenv("TANSY_CODEPAGE");
        if (previous != nullptr) savedCodePage_ = previous;
        setenv("TANSY_CODEPAGE", "65001", 1);

        const fs::path folder = fs::path(TempDir()) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(folder);
        const fs::path hotlist = folder / "bookmarks.hotlist";
        std::ofstream(hotlist, std::ios::binary) << kHotlist;
        std::ofstream(folder / "TANSY_WFX.ini", std::ios::binary) << "[main]\nhotlist=" << hotlist.string() << "\n";
        const fs::path copy = folder / "TANSY_WFX.wfx";
        fs::copy_file(TANSY_LIBRARY_PATH, copy, fs::copy_options::overwrite_existing);

        handle_ = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        host::PluginExports& fs = library.fs;
        fs.FsInit = Symbol<decltype(fs.FsInit)>("FsInit");
        fs.FsGetDefRootName = Symbol<decltype(fs.FsGetDefRootName)>("FsGetDefRootName");
        fs.FsFindFirst = Symbol<decltype(fs.FsFindFirst)>("FsFindFirst");
        fs.FsFindNext = Symbol<decltype(fs.FsFindNext)>("FsFindNext");
        fs.FsFindClose = Symbol<decltype(fs.FsFindClose)>("FsFindClose");
        fs.FsExecuteFile = Symbol<decltype(fs.FsExecuteFile)>("FsExecuteFile");
        library.lastError.get = Symbol<DWORD (*)()>("TansyGetLastError");
        extensionInitialize = Symbol<ExtensionInitializeFn>("ExtensionInitialize");
        gHostBoxes.clear();
        gHostAnswer = IDOK;
    }

    void TearDown() override
    {
        if (handle_ != nullptr) dlclose(handle_);
        if (savedCodePage_) setenv("TANSY_CODEPAGE", savedCodePage_->c_str(), 1);
        else unsetenv("TANSY_CODEPAGE");
    }

    template <typename Fn>
    Fn Symbol(const char* name)
    {
        void* address = dlsym(handle_, name);
        EXPECT_NE(address, nullptr) << name << " is not exported";
        return reinterpret_cast<Fn>(address);
    }

    // The names of one folder, as the host lists it.
    std::vector<std::string> List(const std::string& path)
    {
        std::vector<std::string> names;
        host::ListingOptions options;
        options.after = [&names](const host::FindAnswer& answer) {
            if (answer.found) names.push_back(host::NameOf(answer.record));
        };
        host::ListFolder(library, path, options);
        return names;
    }

    host::DrivenLibrary library;
    ExtensionInitializeFn extensionInitialize = nullptr;

private:
    void* handle_ = nullptr;
    std::optional<std::string> savedCodePage_;
};

}  // namespace

TEST_F(LoadedLibrary, SlashPathsListAndPropertiesShowInTheHostBox)
{
    ASSERT_NE(extensionInitialize, nullptr);
    ASSERT_EQ(library.fs.FsInit(1, nullptr, nullptr, nullptr), 0);
    const auto record = MakeRecord(&RecordHostBox);
    extensionInitialize(&record->info);

    EXPECT_EQ(List("/"), (std::vector<std::string>{"Почта", "Новости дня"}));
    EXPECT_EQ(List("/Новости дня"), (std::vector<std::string>{"Лента"}));
    // A closing "/", as in the host's recursive operations, names the same
    // folder; a closing "\" does not.
    EXPECT_EQ(List("/Новости дня/"), (std::vector<std::string>{"Лента"}));
    EXPECT_EQ(List("/Новости дня/Лента/"), std::vector<std::string>{});
    EXPECT_TRUE(List("\\Новости дня\\").empty());
    // The backslash form keeps working.
    EXPECT_EQ(List("\\Новости дня"), (std::vector<std::string>{"Лента"}));
    EXPECT_TRUE(List("/Нет такой").empty());

    EXPECT_EQ(host::CallExecuteFile(library, nullptr, "/Новости дня/Лента", "properties").result, 0);
    ASSERT_EQ(gHostBoxes.size(), 1u);
    EXPECT_EQ(gHostBoxes[0].caption, "Параметры закладки");
    EXPECT_NE(gHostBoxes[0].text.find("ИМЯ: Лента\n"), std::string::npos) << gHostBoxes[0].text;
    EXPECT_NE(gHostBoxes[0].text.find("URL: https://news.example/feed"), std::string::npos)
        << gHostBoxes[0].text;
    EXPECT_EQ(gHostBoxes[0].flags, static_cast<long>(MB_OK));

    char root[64] = {};
    library.fs.FsGetDefRootName(root, sizeof root);
    EXPECT_STREQ(root, "Tansy");
    ASSERT_EQ(gHostBoxes.size(), 2u);
    EXPECT_EQ(gHostBoxes[1].text, "Installation succeful");
    EXPECT_EQ(gHostBoxes[1].flags, static_cast<long>(MB_OK | MB_ICONINFORMATION));
}

TEST_F(LoadedLibrary, WithoutTheRecordBoxesStayOnStandardError)
{
    ASSERT_EQ(library.fs.FsInit(1, nullptr, nullptr, nullptr), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(host::CallExecuteFile(library, nullptr, "/Почта", "properties").result, 0);
    const std::string shown = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(gHostBoxes.empty());
    EXPECT_NE(shown.find("[Параметры закладки]\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("ИМЯ: Почта\n"), std::string::npos) << shown;
}

#endif  // TANSY_LIBRARY_PATH
