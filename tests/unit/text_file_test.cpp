// The buffered text file: opening, the failure codes of each step, and the
// byte rules of reading lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Failures.h"
#include "TestFiles.h"
#include "TextFile.h"

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
