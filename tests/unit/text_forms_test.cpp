// Code-page conversions and the text forms. The tests run with the ANSI code
// page 1251, as the test runner sets it up on every platform.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Text.h"

namespace {

std::string AllBytes()
{
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

}  // namespace

TEST(TextForms, EveryByteSurvivesTheWayThroughWideText)
{
    const std::string bytes = AllBytes() + std::string(1, '\0') + "tail";
    const WideString wide = WideFromAnsi(bytes);
    EXPECT_EQ(wide.size(), bytes.size());
    EXPECT_EQ(AnsiFromWide(wide), bytes);
}

TEST(TextForms, Windows1251LettersAndItsUndefinedByte)
{
    EXPECT_EQ(WideFromAnsi("\xC8\xCC\xDF"), u"ИМЯ");
    EXPECT_EQ(WideFromAnsi("\x98"), std::u16string(1, u'\u0098'));
    EXPECT_EQ(AnsiFromWide(u"ИМЯ"), "\xC8\xCC\xDF");
    EXPECT_EQ(WideFromAnsi(""), u"");
    EXPECT_EQ(AnsiFromWide(u""), "");
}

TEST(TextForms, MissingCharacterIsReplacedNotDropped)
{
    // The Greek letter has no place in 1251; the text around it stays.
    const AnsiString narrowed = AnsiFromWide(u"a\u03A9b");
    ASSERT_EQ(narrowed.size(), 3u);
    EXPECT_EQ(narrowed.front(), 'a');
    EXPECT_EQ(narrowed.back(), 'b');
}

TEST(AnsiFromUtf8, DecodesCyrillicAndLeavesAsciiAlone)
{
    EXPECT_EQ(AnsiFromUtf8("\xD0\x98\xD0\x9C\xD0\xAF"), "\xC8\xCC\xDF");
    EXPECT_EQ(AnsiFromUtf8("plain ascii = text"), "plain ascii = text");
    EXPECT_EQ(AnsiFromUtf8(""), "");
    // Overlong forms give their value.
    EXPECT_EQ(AnsiFromUtf8(std::string("a\xC0\x80" "b", 4)), std::string("a\0b", 3));
}

TEST(AnsiFromUtf8, FailsWholeOnAnyBrokenSequence)
{
    EXPECT_EQ(AnsiFromUtf8("abc\xD0"), "");           // ends inside a sequence
    EXPECT_EQ(AnsiFromUtf8("\xD0" "A"), "");           // no continuation byte
    EXPECT_EQ(AnsiFromUtf8("ok \xF0\x9F\x98\x80"), "");  // four-byte forms do not exist
    EXPECT_EQ(AnsiFromUtf8("\xE2\x82"), "");           // three-byte sequence cut short
}

TEST(AnsiFromUtf8, OddLeadBytesFollowBitFiveOnly)
{
    // 0x80..0x9F start two-byte sequences, 0xA0..0xBF three-byte ones.
    EXPECT_EQ(AnsiFromUtf8("\x90\x98"), AnsiFromWide(std::u16string(1, char16_t(0x418))));
    EXPECT_EQ(AnsiFromUtf8("\xB0\x90\x98"), AnsiFromWide(std::u16string(1, char16_t(0x0418))));
}

TEST(TextForms, ZeroTerminatedAndCharacterArrays)
{
    EXPECT_EQ(WideFromZString(nullptr), u"");
    EXPECT_EQ(AnsiFromZString(nullptr), "");
    EXPECT_EQ(WideFromZString("\xC8x"), u"Иx");
    const char array[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(WideFromCharArray(array, 4), u"abcd");
    EXPECT_EQ(WideFromCharArray("ab\0cd", 5), u"ab");
}

TEST(TextForms, ShortStringsKeepAtMost255Bytes)
{
    const std::string long300(300, 'x');
    const ShortString cut = ShortFromZString(long300.c_str());
    EXPECT_EQ(cut.Length, 255);
    EXPECT_EQ(AnsiFromShort(cut), std::string(255, 'x'));
    EXPECT_EQ(AnsiFromShort(TextToShort("abc")), "abc");
    EXPECT_EQ(ShortFromZString(nullptr).Length, 0);
}

TEST(BoundedCopy, WritesAtMostMaxLenBytesAndTheZero)
{
    char dest[300];
    std::memset(dest, 0x55, sizeof dest);
    BoundedCopy(dest, std::string(300, 'n'), 260);
    EXPECT_EQ(std::string(dest, 260), std::string(260, 'n'));
    EXPECT_EQ(dest[260], 0);
    EXPECT_EQ(dest[261], 0x55);

    std::memset(dest, 0x55, sizeof dest);
    BoundedCopy(dest, std::string("ten bytes!"), 260);
    EXPECT_STREQ(dest, "ten bytes!");
    EXPECT_EQ(dest[11], 0x55);

    BoundedCopy(dest, std::string("ab\0cd", 5), 260);
    EXPECT_STREQ(dest, "ab");
    BoundedCopy(dest, "abc", 0);
    EXPECT_EQ(dest[0], 0);
}

TEST(Utf16FromUtf8, DecodesEveryCharacterAndReplacesBrokenRuns)
{
    EXPECT_EQ(Utf16FromUtf8("Caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80"), u"Café 日 \U0001F600");
    // One U+FFFD for each longest run that could have begun a sequence: a
    // lone lead, a cut sequence, a stray continuation byte, a byte that
    // begins nothing; a lead and a continuation byte outside its range (an
    // overlong form, a surrogate, past U+10FFFF) are one run, as Windows
    // decodes them.
    EXPECT_EQ(Utf16FromUtf8("a\xD0"), u"a\uFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xE6\x97z"), u"\uFFFDz");
    EXPECT_EQ(Utf16FromUtf8("\x80\xBF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xC0\x80"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xE0\x80\x80"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xFF"), u"\uFFFD");
    EXPECT_EQ(Utf16FromUtf8(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf16FromUtf8, ACutNeverSplitsAPair)
{
    const std::u16string text = u"ab\U0001F600c";
    EXPECT_EQ(UnitsWithinLimit(text, 10), text.size());
    EXPECT_EQ(UnitsWithinLimit(text, 3), 2u);  // not the high half alone
    EXPECT_EQ(UnitsWithinLimit(text, 4), 4u);
    EXPECT_EQ(UnitsWithinLimit(text, 0), 0u);
}
