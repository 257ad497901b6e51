// The fast paths of the readers against the rules they shortcut: the same
// file read both ways must give the same lines, records, failures and
// numbers, under every code page the platform offers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Failures.h"
#include "PLUGIN_Main.h"
#include "TestFiles.h"
#include "Walk.h"
#include "tansy_windows.h"

#if __has_include("CodePageControl.h")
#include "CodePageControl.h"
#include "FaultInjection.h"
#define TANSY_TEST_CODE_PAGES 1
#endif

namespace {

// The code pages to run under: the stand-in layer's three, or the system's own.
std::vector<UINT> CodePages()
{
#ifdef TANSY_TEST_CODE_PAGES
    return {1251, 1252, CP_UTF8};
#else
    return {0};
#endif
}

void UseCodePage(UINT codePage)
{
#ifdef TANSY_TEST_CODE_PAGES
    TansySetActiveCodePage(codePage);
#else
    (void)codePage;
#endif
}

class FastPaths : public testing::TestWithParam<UINT> {
protected:
    void SetUp() override { UseCodePage(GetParam()); }
#ifdef TANSY_TEST_CODE_PAGES
    void TearDown() override
    {
        TansySetActiveCodePage(0);
        TansyClearFaults();
    }
#endif
};

INSTANTIATE_TEST_SUITE_P(CodePages, FastPaths, testing::ValuesIn(CodePages()));

// What one run of a reader did, step by step, to be compared as a whole.
using Transcript = std::vector<std::string>;

std::string Hex(const WideString& text)
{
    std::string shown;
    char unit[8];
    for (const char16_t c : text) {
        std::snprintf(unit, sizeof unit, "%04X ", static_cast<unsigned>(c));
        shown += unit;
    }
    return shown;
}

// Runs `step` on a freshly opened file until it reports the end or a failure.
template <class Step>
Transcript RunReader(const std::string& path, Step step)
{
    Transcript transcript;
    TTextFile file;
    WideString line;
    OpenTextForReading(file, TextToShort(path));
    try {
        while (step(file, line, transcript)) {
        }
    } catch (const EInOutError& e) {
        transcript.push_back("I/O failure " + std::to_string(e.IoCode) + " line " + Hex(line));
    } catch (const EVariantError&) {
        transcript.push_back("conversion failure line " + Hex(line));
    }
    if (file.Mode == tfInput) CloseTextFile(file);
    return transcript;
}

// Lines of every kind the readers tell apart, some non-ASCII or with CRs,
// joined at random into a file of several blocks of the reader's buffer.
// Ctrl-Z stands only at the end, where it ends the input.
std::string MixedFile(unsigned seed, const char* lineBreak)
{
    static const std::vector<std::string> kLines = {
        "", "\r", "\r\r", "#URL", "#FOLDER", "-", "#SEPERATOR", "#", "-x", "#URL\r", "\r#URL", "\r-",
        "\tNAME=x", "\tNAME=\xD0\x9F\xD1\x80\xD0\xB8", "\tURL=http://a.example/?q=1&r=2", "\tID=12",
        "\xD0\x98#URL", "\x98", "a\rb", "\t", " ", std::string(300, 's'),
        "\tDESCRIPTION=\xFF\xFE text", "x\x1A"};
    std::mt19937 random(seed);
    std::string bytes;
    for (int lines = 0; bytes.size() < 3 * kTextBufferSize + 1000; ++lines) {
        // Once, a line longer than the buffer.
        bytes += lines == 1000 ? std::string(kTextBufferSize + 100, 'a') : kLines[random() % kLines.size()];
        bytes += lineBreak;
    }
    // A Ctrl-Z at the start of a line ends the input; a last line without a break.
    bytes += std::string("\x1A") + lineBreak + "#URL";
    return bytes;
}

// ---------------------------------------------------------------------------

// The rule: read a line, and read on while it is empty or begins with an
// ASCII character other than "#" and "-", and the input has not ended.
bool ReadPastPlainLinesByTheRule(TTextFile& file, WideString& line)
{
    const auto plain = [&] { return line.empty() || (line[0] < 0x80 && line[0] != u'#' && line[0] != u'-'); };
    ReadHotlistLine(file, line);
    while (plain()) {
        if (HotlistAtEnd(file)) return false;
        ReadHotlistLine(file, line);
    }
    return true;
}

template <class Reader>
Transcript PassOverPlainLines(const std::string& path, Reader reader)
{
    return RunReader(path, [&](TTextFile& file, WideString& line, Transcript& transcript) {
        if (HotlistAtEnd(file)) return false;
        const bool stopped = reader(file, line);
        transcript.push_back((stopped ? "stop " : "end ") + Hex(line));
        return true;
    });
}

TEST_P(FastPaths, PlainLinesArePassedOverAsTheRuleReadsThem)
{
    for (const char* lineBreak : {"\n", "\r\n"}) {
        for (unsigned seed = 1; seed <= 4; ++seed) {
            const std::string path = WriteTempFile(MixedFile(seed, lineBreak));
            const Transcript expected = PassOverPlainLines(path, ReadPastPlainLinesByTheRule);
            EXPECT_EQ(PassOverPlainLines(path, ReadPastPlainLines), expected) << "seed " << seed;
            EXPECT_GT(expected.size(), 100u);
        }
    }
}

// The rule of lines over the whole file at once: each ends at an LF, every
// CR of it is dropped (the one before the LF belongs to the break), and a
// 0x1A at the start of a line ends the input.
Transcript LinesByTheRule(const std::string& bytes)
{
    Transcript lines;
    for (size_t at = 0; at < bytes.size() && bytes[at] != '\x1A';) {
        size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(at, end - at);
        std::erase(line, '\r');
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

TEST_P(FastPaths, LinesAreCutAsTheRuleCutsThem)
{
    for (const char* lineBreak : {"\n", "\r\n"}) {
        const std::string bytes = MixedFile(5, lineBreak);
        const Transcript lines = RunReader(WriteTempFile(bytes), [](TTextFile& file, WideString&, Transcript& read) {
            if (TextAtEnd(file)) return false;
            read.emplace_back(ReadTextLine(file));
            return true;
        });
        EXPECT_EQ(lines, LinesByTheRule(bytes));
    }
}

#ifdef TANSY_TEST_CODE_PAGES
TEST_P(FastPaths, AFailedReadLeavesTheSameLineBehind)
{
    const std::string path = WriteTempFile(MixedFile(6, "\n"));
    for (unsigned n = 1; n <= 4; ++n) {
        TansyFailNthCall(TansyCall::ReadFile, n, ERROR_READ_FAULT);
        const Transcript expected = PassOverPlainLines(path, ReadPastPlainLinesByTheRule);
        TansyFailNthCall(TansyCall::ReadFile, n, ERROR_READ_FAULT);
        const Transcript fast = PassOverPlainLines(path, ReadPastPlainLines);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(expected.back().rfind("I/O failure 30 ", 0), 0u) << expected.back();
        EXPECT_EQ(fast, expected) << "read " << n;
    }
}
#endif

// ---------------------------------------------------------------------------

// The block readers by the rule: every line through the code page into the
// line, back into ANSI text, classified and applied.
template <class Record, class Apply>
void ReadBlockByTheRule(TTextFile& file, WideString& line, Record& record, Apply apply)
{
    while (!line.empty()) {
        ReadHotlistLine(file, line);
        const AnsiString text = AnsiFromWide(line);
        apply(text, ClassifyFieldLine(text), record);
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
Transcript ReadBlocks(const std::string& path, Read read)
{
    return RunReader(path, [&](TTextFile& file, WideString& line, Transcript& transcript) {
        if (HotlistAtEnd(file)) return false;
        line = u"#URL";
        Record record;
        record.Name = "stale";  // what a reader does not reset shows
        try {
            read(file, line, record);
        } catch (const EVariantError&) {
            transcript.push_back("conversion failure line " + Hex(line));
            return true;
        }
        transcript.push_back(Describe(record) + " line " + Hex(line));
        return true;
    });
}

TEST_P(FastPaths, BlocksReadAsTheRuleReadsThem)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const std::string path = WriteTempFile(FieldBlocks(seed));
        const Transcript urls = ReadBlocks<TTansyBookmarkUrl>(path, [](TTextFile& file, WideString& line, TTansyBookmarkUrl& url) {
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

        const Transcript dirs = ReadBlocks<TTansyBookmarkDir>(path, [](TTextFile& file, WideString& line, TTansyBookmarkDir& dir) {
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

TEST_P(FastPaths, KeptNameIsTheNameRead)
{
    const std::string path = WriteTempFile(FieldBlocks(7));
    const Transcript names = ReadBlocks<TTansyBookmarkUrl>(path, [](TTextFile& file, WideString& line, TTansyBookmarkUrl& url) {
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

// ---------------------------------------------------------------------------

// Folder names of every kind a path can hold: empty, with backslashes at
// either end or inside, non-ASCII in each code page, not valid UTF-8 (which
// decodes to an empty name).
const std::vector<std::string> kFolderNames = {
    "", "a", "News", "\\", "\\x", "x\\", "a\\b", "\\\\", "\xD0\x9D\xD0\xBE", "\xC3\xA9t\xC3\xA9", "\xD0"};

TEST_P(FastPaths, LeavingAFolderFindsTheParentPath)
{
    // A walk that enters folders, passed over or returned, at random and
    // steps up at random: cutting CurPath back must give ParentPath's answer.
    std::mt19937 random(GetParam());
    std::vector<int> steps;  // a folder name's index, or -1 for a step up
    std::string blocks;
    for (int step = 0; step < 5000; ++step) {
        const int name = random() % 2 == 0 ? static_cast<int>(random() % kFolderNames.size()) : -1;
        steps.push_back(name);
        if (name >= 0) blocks += "\tNAME=" + kFolderNames[static_cast<size_t>(name)] + "\n\n";
    }
    TTextFile file;
    OpenTextForReading(file, TextToShort(WriteTempFile(blocks)));
    THotlistWalk walk(&file);
    StartAtRoot(walk);
    TTansyBookmarkDir dir;
    WIN32_FIND_DATAA record;
    for (size_t step = 0; step < steps.size(); ++step) {
        if (steps[step] >= 0) {
            walk.CurLine = u"#FOLDER";
            if (random() % 2 == 0)
                EnterPassedFolder(walk, dir);
            else
                EnterReturnedFolder(walk, record);
            continue;
        }
        const WideString parent = WideFromAnsi(ParentPath(AnsiFromWide(walk.CurPath)));
        const WideString before = walk.CurPath;
        StepUpCurPath(walk);
        ASSERT_EQ(walk.CurPath, parent) << "step " << step << " from " << Hex(before);
    }
    CloseTextFile(file);
}

// ---------------------------------------------------------------------------

// The system's own answer, as TextToInt's slow path asks for it.
std::optional<int32_t> PlatformInt(const std::string& text)
{
    const WideString wide = WideFromAnsi(text);
    const BSTR bstr = SysAllocStringLen(reinterpret_cast<const WCHAR*>(wide.data()), static_cast<UINT>(wide.size()));
    VARIANT source;
    VARIANT dest;
    VariantInit(&source);
    VariantInit(&dest);
    source.vt = VT_BSTR;
    source.bstrVal = bstr;
    const HRESULT result = VariantChangeTypeEx(&dest, &source, LOCALE_USER_DEFAULT, 0, VT_I4);
    SysFreeString(bstr);
    if (FAILED(result)) return std::nullopt;
    return dest.lVal;
}

std::optional<int32_t> LibraryInt(const std::string& text)
{
    try {
        return TextToInt(text);
    } catch (const EVariantError&) {
        return std::nullopt;
    }
}

TEST_P(FastPaths, TextToIntGivesThePlatformsAnswer)
{
    std::vector<std::string> texts = {"0",          "7",          "007",         "0000000000", "00000000007",
                                      "2147483647", "2147483648", "4294967295",  "9999999999", "12345678901",
                                      "1000000000", "999999999",  "-5",          "+5",         " 5",
                                      "5 ",         "",           "1e3",         "5x",         "\xD9\xA3"};
    std::mt19937 random(11);
    for (int i = 0; i < 3000; ++i) {
        std::string digits(1 + random() % 12, '0');
        for (char& c : digits) c = static_cast<char>('0' + random() % 10);
        texts.push_back(digits);
    }
    for (const std::string& text : texts) EXPECT_EQ(LibraryInt(text), PlatformInt(text)) << "'" << text << "'";
}

}  // namespace
