// The buffered text file: opening, the failure codes of each step, the byte
// rules of reading lines, and its fast paths against those rules under every
// code page the platform offers.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Failures.h"
#include "PLUGIN_Main.h"
#include "ReaderRuns.h"
#include "TestFiles.h"
#include "TextFile.h"

#if __has_include("FaultInjection.h")
#include "FaultInjection.h"
#define TANSY_TEST_FAULTS 1
#endif

namespace {

ShortString NameOf(const std::string& path)
{
    return TextToShort(path);
}

// The code the step raised, or 0 when it did not fail.
template <class Step>
int32_t IoCodeOf(Step step)
{
    try {
        step();
    } catch (const EInOutError& e) {
        return e.IoCode;
    }
    return 0;
}

std::vector<std::string> ReadAllLines(const std::string& bytes)
{
    TTextFile file;
    OpenTextForReading(file, NameOf(WriteTempFile(bytes)));
    std::vector<std::string> lines;
    while (!TextAtEnd(file)) {
        const AnsiString line(ReadTextLine(file));
        RaiseTextFailure(file);
        lines.push_back(line);
    }
    CloseTextFile(file);
    return lines;
}

}  // namespace

TEST(TextFileOpen, FailureCodesOfMissingFilesAndFolders)
{
    const std::string dir = TempDir();
    TTextFile file;
    EXPECT_EQ(IoCodeOf([&] { OpenTextForReading(file, NameOf(dir + "/missing.txt")); }), 2);
    EXPECT_EQ(file.Mode, tfClosed);
    EXPECT_EQ(IoCodeOf([&] { OpenTextForReading(file, NameOf(dir + "/no such dir/x.txt")); }), 3);
    EXPECT_EQ(IoCodeOf([&] { OpenTextForReading(file, NameOf(dir)); }), 5);
    EXPECT_EQ(file.Mode, tfClosed);
}

TEST(TextFileOpen, AnEmptyNameIsNoFileAndNeverTheStandardInput)
{
    TTextFile file;
    try {
        OpenTextForReading(file, ShortString());
        FAIL() << "an empty name opened";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.IoCode, 2);
        EXPECT_EQ(e.Message(), "File not found");
    }
    EXPECT_EQ(file.Mode, tfClosed);
}

TEST(TextFileOpen, ReopeningStartsAgainAtTheFirstByte)
{
    const ShortString name = NameOf(WriteTempFile("one\ntwo\n"));
    TTextFile file;
    AnsiString line;
    OpenTextForReading(file, name);
    line = ReadTextLine(file);
    OpenTextForReading(file, name);
    line = ReadTextLine(file);
    EXPECT_EQ(line, "one");
    CloseTextFile(file);
}

TEST(TextFileState, ClosedAndUnboundFilesAnswer103And104)
{
    TTextFile unbound;
    EXPECT_EQ(IoCodeOf([&] { CloseTextFile(unbound); }), 103);
    EXPECT_EQ(IoCodeOf([&] { TextAtEnd(unbound); }), 104);

    TTextFile file;
    OpenTextForReading(file, NameOf(WriteTempFile("x\n")));
    EXPECT_EQ(IoCodeOf([&] { CloseTextFile(file); }), 0);
    EXPECT_EQ(IoCodeOf([&] { CloseTextFile(file); }), 103);
    EXPECT_EQ(IoCodeOf([&] { TextAtEnd(file); }), 104);
    AnsiString line = "old";
    line = ReadTextLine(file);
    EXPECT_EQ(line, "");
    EXPECT_EQ(IoCodeOf([&] { RaiseTextFailure(file); }), 104);
    EXPECT_EQ(IoCodeOf([&] { RaiseTextFailure(file); }), 0);
}

TEST(TextFileRead, LineBreaksAndCarriageReturns)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ(ReadAllLines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(ReadAllLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(ReadAllLines("a\rb\nlast"), (Lines{"ab", "last"}));
    EXPECT_EQ(ReadAllLines("x\r"), (Lines{"x"}));
    EXPECT_EQ(ReadAllLines("\n\n"), (Lines{"", ""}));
    EXPECT_EQ(ReadAllLines(""), Lines{});
}

TEST(TextFileRead, LinesLongerThanTheBufferAreReadWhole)
{
    const std::string longLine(3 * kTextBufferSize + 17, 'q');
    const auto lines = ReadAllLines("first\r\n" + longLine + "\r\nz");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], longLine);
    EXPECT_EQ(lines[2], "z");
}

TEST(TextFileRead, CtrlZAtTheReadPositionIsTheEnd)
{
    TTextFile file;
    OpenTextForReading(file, NameOf(WriteTempFile("a\n\x1A" "after\n")));
    AnsiString line;
    EXPECT_FALSE(TextAtEnd(file));
    line = ReadTextLine(file);
    EXPECT_TRUE(TextAtEnd(file));
    // Inside a line it is an ordinary byte.
    OpenTextForReading(file, NameOf(WriteTempFile("a\x1A" "b\n")));
    line = ReadTextLine(file);
    EXPECT_EQ(line, "a\x1A" "b");
    CloseTextFile(file);
}

TEST(TextFileRead, TheEndStaysTheEnd)
{
    TTextFile file;
    OpenTextForReading(file, NameOf(WriteTempFile("")));
    AnsiString line = "old";
    line = ReadTextLine(file);
    EXPECT_EQ(line, "");
    EXPECT_TRUE(TextAtEnd(file));
    line = ReadTextLine(file);
    EXPECT_TRUE(TextAtEnd(file));
    EXPECT_EQ(IoCodeOf([&] { RaiseTextFailure(file); }), 0);
    CloseTextFile(file);
}

// ---- The fast paths against the line rules --------------------------------

namespace {

class TextFileFastPaths : public UnderEachCodePage {};

INSTANTIATE_TEST_SUITE_P(CodePages, TextFileFastPaths, testing::ValuesIn(CodePages()));

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

// ReadPastPlainLines for `markers` (by default, none named), as a reader.
auto ReadingPast(TLineMarkers markers = {})
{
    return [markers](TTextFile& file, WideString& line) { return ReadPastPlainLines(file, line, markers); };
}

template <class Reader>
ReaderSteps PassOverPlainLines(const std::string& path, Reader reader)
{
    return RunReader(path, [&](TTextFile& file, WideString& line, ReaderSteps& steps) {
        if (HotlistAtEnd(file)) return false;
        const bool stopped = reader(file, line);
        steps.push_back((stopped ? "stop " : "end ") + Hex(line));
        return true;
    });
}

// The rule of lines over the whole file at once: each ends at an LF, every
// CR of it is dropped (the one before the LF belongs to the break), and a
// 0x1A at the start of a line ends the input.
ReaderSteps LinesByTheRule(const std::string& bytes)
{
    ReaderSteps lines;
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

}  // namespace

TEST_P(TextFileFastPaths, PlainLinesArePassedOverAsTheRuleReadsThem)
{
    for (const char* lineBreak : {"\n", "\r\n"}) {
        for (unsigned seed = 1; seed <= 4; ++seed) {
            const std::string path = WriteTempFile(MixedFile(seed, lineBreak));
            const ReaderSteps expected = PassOverPlainLines(path, ReadPastPlainLinesByTheRule);
            EXPECT_EQ(PassOverPlainLines(path, ReadingPast()), expected) << "seed " << seed;
            EXPECT_GT(expected.size(), 100u);
        }
    }
}

TEST_P(TextFileFastPaths, LinesAreCutAsTheRuleCutsThem)
{
    for (const char* lineBreak : {"\n", "\r\n"}) {
        const std::string bytes = MixedFile(5, lineBreak);
        const ReaderSteps lines = RunReader(WriteTempFile(bytes), [](TTextFile& file, WideString&, ReaderSteps& read) {
            if (TextAtEnd(file)) return false;
            read.emplace_back(ReadTextLine(file));
            return true;
        });
        EXPECT_EQ(lines, LinesByTheRule(bytes));
    }
}

#ifdef TANSY_TEST_FAULTS
TEST_P(TextFileFastPaths, AFailedReadLeavesTheSameLineBehind)
{
    const std::string path = WriteTempFile(MixedFile(6, "\n"));
    for (unsigned n = 1; n <= 4; ++n) {
        TansyFailNthCall(TansyCall::ReadFile, n, ERROR_READ_FAULT);
        const ReaderSteps expected = PassOverPlainLines(path, ReadPastPlainLinesByTheRule);
        TansyFailNthCall(TansyCall::ReadFile, n, ERROR_READ_FAULT);
        const ReaderSteps fast = PassOverPlainLines(path, ReadingPast());
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(expected.back().rfind("I/O failure 30 ", 0), 0u) << expected.back();
        EXPECT_EQ(fast, expected) << "read " << n;
    }
}
#endif

// ---- Passing over plain lines at the block's end, and for named markers -----

namespace {

// The rule that SkipPlainLines shortcuts, a line at a time, with the markers
// of a pass. Each line is held as ReadTextLine hands it out, across the end test.
bool SkipByTheRule(TTextFile& file, WideString& line, TLineMarkers markers)
{
    std::string_view bytes;
    AnsiString text;
    const auto read = [&] {
        bytes = ReadTextLine(file);
        text = bytes;
        AssignWideFromAnsi(line, text);
        RaiseTextFailure(file);
    };
    read();
    while (IsPlainLine(text, markers)) {
        const bool ended = TextAtEnd(file);
        EXPECT_EQ(bytes, text) << "the line handed out changed under the end test";
        if (ended) return false;
        read();
    }
    return true;
}

// A long plain line, folders with a bookmark each, then a plain line whose
// break ends `shift` bytes after the first block's last byte, then `tail`.
std::string EndingNearTheBlockEnd(int shift, const std::string& lineBreak, const std::string& tail)
{
    std::string bytes = std::string(kTextBufferSize - 4000, 'q') + lineBreak;
    while (bytes.size() < kTextBufferSize - 300) {
        for (const char* line : {"#FOLDER", "\tNAME=f", "", "#URL", "\tNAME=x", "", "-"}) bytes += line + lineBreak;
    }
    const size_t end = kTextBufferSize + shift;
    bytes += std::string(end - bytes.size() - lineBreak.size(), 'p') + lineBreak;
    return bytes + tail;
}

const std::string_view kFolderMarkers[] = {"#FOLDER", "-"};

}  // namespace

// The lines a skip passes over and the line it leaves, also where a plain line
// ends at the block's last byte and the input ends, fails or goes on there.
TEST(TextFileSkip, PassesOverLinesAsTheRuleReadsThemAtTheBlockEnd)
{
    const std::vector<std::string> tails = {"", "\x1A", "\x1A#URL\n", "#URL\n", "#FOLDER", "-\n",
                                            "\r#URL\n", "\r\x1A\n-", "x\n#FOLDER\n",
                                            "\x1A" + std::string(kTextBufferSize, 'z')};
    for (const TLineMarkers markers : {TLineMarkers(), TLineMarkers(kFolderMarkers)}) {
        const auto fast = ReadingPast(markers);
        const auto rule = [&](TTextFile& file, WideString& line) { return SkipByTheRule(file, line, markers); };
        for (const char* lineBreak : {"\n", "\r\n"}) {
            for (int shift = -2; shift <= 1; ++shift) {
                for (const std::string& tail : tails) {
                    const std::string path = WriteTempFile(EndingNearTheBlockEnd(shift, lineBreak, tail));
                    const ReaderSteps expected = PassOverPlainLines(path, rule);
                    ASSERT_GT(expected.size(), 100u);
                    EXPECT_EQ(PassOverPlainLines(path, fast), expected) << shift << " " << tail;
#ifdef TANSY_TEST_FAULTS
                    // The second read, which would fetch the block after that line, fails.
                    TansyFailNthCall(TansyCall::ReadFile, 2, ERROR_READ_FAULT);
                    const ReaderSteps failed = PassOverPlainLines(path, rule);
                    TansyFailNthCall(TansyCall::ReadFile, 2, ERROR_READ_FAULT);
                    EXPECT_EQ(PassOverPlainLines(path, fast), failed) << shift << " " << tail;
                    TansyClearFaults();
#endif
                }
            }
        }
    }
}

namespace {

// Each marker with one byte changed, added or removed at every position.
std::vector<std::string> NearMisses(std::string_view marker)
{
    const char kBytes[] = {'#', '-', ' ', '\t', 'x', '\x1A', '\0', '\x80', '\xA0', '\xC0', '\xD0', '\xFF'};
    std::vector<std::string> lines;
    for (size_t at = 0; at <= marker.size(); ++at) {
        if (at < marker.size()) lines.push_back(std::string(marker).erase(at, 1));
        for (const char c : kBytes) {
            lines.push_back(std::string(marker).insert(at, 1, c));
            if (at < marker.size()) lines.push_back(std::string(marker).replace(at, 1, 1, c));
        }
    }
    return lines;
}

}  // namespace

// The markers' near misses, with CRs and non-ASCII bytes among them, joined at
// random into a file of several blocks.
std::string NearMissFile(unsigned seed, const char* lineBreak)
{
    std::vector<std::string> lines = {"", "\tNAME=x", "\r#FOLDER", "#\rFOLDER", "#\r", "-\r", "#URL\r"};
    for (const char* marker : {"#FOLDER", "#URL", "-"}) {
        const std::vector<std::string> misses = NearMisses(marker);
        lines.insert(lines.end(), misses.begin(), misses.end());
    }
    // A 0x1A that begins a line would end the input there.
    std::erase_if(lines, [](const std::string& line) { return line.starts_with('\x1A'); });
    std::mt19937 random(seed);
    std::string bytes;
    while (bytes.size() < 3 * kTextBufferSize) bytes += lines[random() % lines.size()] + lineBreak;
    return bytes + "-";
}

// Also for more "#" markers than a search tells apart by their second byte.
TEST(TextFileSkip, NearMissesOfNamedMarkersArePassedOverAsTheRuleReadsThem)
{
    const std::string_view manyMarkers[] = {"#A", "#B", "#C", "#D", "#URL"};
    for (const TLineMarkers markers : {TLineMarkers(kFolderMarkers), TLineMarkers(manyMarkers)}) {
        const auto fast = ReadingPast(markers);
        const auto rule = [&](TTextFile& file, WideString& line) { return SkipByTheRule(file, line, markers); };
        for (const char* lineBreak : {"\n", "\r\n"}) {
            for (unsigned seed = 1; seed <= 3; ++seed) {
                const std::string path = WriteTempFile(NearMissFile(seed, lineBreak));
                const ReaderSteps expected = PassOverPlainLines(path, rule);
                EXPECT_GT(expected.size(), 100u);
                EXPECT_EQ(PassOverPlainLines(path, fast), expected) << markers.size() << " markers, seed " << seed;
            }
        }
    }
}

// No line that a pass reacting only to "#FOLDER" and "-" passes over is one of
// them once converted, nor does the default pass over a line that converts to
// one beginning with "#", "-" or a character past ASCII: the markers and their
// near misses, under each code page.
TEST_P(TextFileFastPaths, APlainLineIsNoMarkerInTheCodePage)
{
    std::vector<std::string> lines = {"", "#", "-", "#FOLDER", "#URL", "#SEPERATOR", "x"};
    for (const char* marker : {"#FOLDER", "#URL", "-"}) {
        const std::vector<std::string> misses = NearMisses(marker);
        lines.insert(lines.end(), misses.begin(), misses.end());
    }
    for (const std::string& line : lines) {
        const WideString wide = WideFromAnsi(line);
        if (IsPlainLine(line, kFolderMarkers)) {
            EXPECT_TRUE(wide != u"#FOLDER" && wide != u"-") << Hex(wide);
        }
        if (IsPlainLine(line)) {
            EXPECT_TRUE(wide.empty() || (wide[0] < 0x80 && wide[0] != u'#' && wide[0] != u'-')) << Hex(wide);
        }
    }
    // It passes over what it can.
    for (const char* line : {"#URL", "#FOLDER ", "-x", "--", "- ", "#SEPERATOR", "#URL\xD0", "#FOLDERS\xA0"})
        EXPECT_TRUE(IsPlainLine(line, kFolderMarkers)) << line;
    for (const char* line : {"#FOLDER", "-", "#FOLDER\xA0", "#FOL\xC0", "-\xA0", "\xD0#FOLDER"})
        EXPECT_FALSE(IsPlainLine(line, kFolderMarkers)) << line;
}
