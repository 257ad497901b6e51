// Field values to numbers and flags, numbers and flags to text, and paths.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Failures.h"
#include "Oracles.h"
#include "ReaderRuns.h"
#include "Text.h"

TEST(TextToInt, ReadsPlainNumbersWithSignAndBlanks)
{
    EXPECT_EQ(TextToInt("42"), 42);
    EXPECT_EQ(TextToInt("-7"), -7);
    EXPECT_EQ(TextToInt(" 12 "), 12);
    EXPECT_EQ(TextToInt("007"), 7);
    EXPECT_EQ(TextToInt("2147483647"), INT_MAX);
    EXPECT_EQ(TextToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(TextToInt("+5"), 5);
}

TEST(TextToInt, RaisesTheConversionFailureForNonNumbers)
{
    for (const char* bad : {"", "abc", "2147483648", "-2147483649", "12abc", "-", "99999999999"}) {
        try {
            TextToInt(bad);
            ADD_FAILURE() << "no failure for '" << bad << "'";
        } catch (const EVariantError& e) {
            EXPECT_EQ(e.Message(), "Invalid variant type conversion");
        }
    }
}

TEST(TextToInt, StopsAtAZeroByte)
{
    EXPECT_EQ(TextToInt(std::string("15\0xyz", 6)), 15);
}

TEST(TextToFlag, OnlyTheExactUpperCaseYes)
{
    EXPECT_TRUE(TextToFlag("YES"));
    EXPECT_TRUE(TextToFlag(std::string("YES\0junk", 8)));
    EXPECT_FALSE(TextToFlag("yes"));
    EXPECT_FALSE(TextToFlag("Yes"));
    EXPECT_FALSE(TextToFlag("YES "));
    EXPECT_FALSE(TextToFlag(""));
    EXPECT_FALSE(TextToFlag("NO"));
}

TEST(TextToWide, CutsAtTheFirstZero)
{
    EXPECT_EQ(TextToWide(std::string("ab\0c", 4)), u"ab");
    EXPECT_EQ(TextToWide("\xC8"), u"И");
}

TEST(IntToText, SignedAndWidenedUnsigned)
{
    EXPECT_EQ(IntToText(int32_t{-1}), "-1");
    EXPECT_EQ(IntToText(int32_t{0}), "0");
    EXPECT_EQ(IntToText(int32_t{INT_MIN}), "-2147483648");
    EXPECT_EQ(IntToText(static_cast<int64_t>(uint32_t{0xFFFFFFFF})), "4294967295");
    EXPECT_EQ(BoolToText(2), "True");
    EXPECT_EQ(BoolToText(0), "False");
}

TEST(ParentPath, StepsUpOneFolder)
{
    EXPECT_EQ(ParentPath("\\A\\B"), "\\A");
    EXPECT_EQ(ParentPath("\\A"), "\\");
    EXPECT_EQ(ParentPath("\\"), "\\");
    EXPECT_EQ(ParentPath("\\A\\"), "\\A");
    EXPECT_EQ(ParentPath("\\\\"), "\\\\");
    EXPECT_EQ(ParentPath(""), "");
    EXPECT_EQ(ParentPath("no separator"), "");
    EXPECT_EQ(ParentPath("\\News\\Today:2"), "\\News");
    EXPECT_EQ(ParentPath("\\A\\\\B"), "\\A\\\\");
}

TEST(SubText, ClampsIndexAndCount)
{
    EXPECT_EQ(SubText("abcdef", 0, 3), "abc");
    EXPECT_EQ(SubText("abc", 2, 100), "bc");
    EXPECT_EQ(SubText("abc", 4, 1), "");
    EXPECT_EQ(SubText("abc", 1, -1), "");
    EXPECT_EQ(SubText("", 1, 1), "");
}

TEST(TextPos, OneBasedOrZero)
{
    EXPECT_EQ(TextPos("=", "ID=12"), 3);
    EXPECT_EQ(TextPos("=", "NAME"), 0);
    EXPECT_EQ(TextPos("", "abc"), 0);
    EXPECT_EQ(TextPos("a", ""), 0);
}

TEST(Failures, IoMessagesByCode)
{
    EXPECT_EQ(EInOutError(2).Message(), "File not found");
    EXPECT_EQ(EInOutError(3).Message(), "Invalid filename");
    EXPECT_EQ(EInOutError(5).Message(), "File access denied");
    EXPECT_EQ(EInOutError(103).Message(), "I/O error 103");
    EXPECT_EQ(EInOutError(32).IoCode, 32);
}

// ---- TextToInt's fast path against the platform's conversion --------------

namespace {

class TextToIntFastPath : public UnderEachCodePage {};

INSTANTIATE_TEST_SUITE_P(CodePages, TextToIntFastPath, testing::ValuesIn(CodePages()));

std::optional<int32_t> LibraryInt(const std::string& text)
{
    try {
        return TextToInt(text);
    } catch (const EVariantError&) {
        return std::nullopt;
    }
}

// Numbers of 8 to 11 characters with one byte at any place that is no digit:
// the bytes just past "9" and before "0", which share a digit's high half, and
// a letter.
std::vector<std::string> NearMissNumbers()
{
    std::vector<std::string> texts;
    for (size_t length = 8; length <= 11; ++length) {
        for (size_t at = 0; at < length; ++at) {
            for (const char stray : {':', ';', '<', '=', '>', '?', '/', 'x'}) {
                std::string text = std::string("12345678901").substr(0, length);
                text[at] = stray;
                texts.push_back(text);
            }
        }
    }
    return texts;
}

}  // namespace

TEST_P(TextToIntFastPath, GivesThePlatformsAnswer)
{
    std::vector<std::string> texts = {"0",          "7",          "007",         "0000000000", "00000000007",
                                      "2147483647", "2147483648", "4294967295",  "9999999999", "12345678901",
                                      "1000000000", "999999999",  "-5",          "+5",         " 5",
                                      "5 ",         "",           "1e3",         "5x",         "\xD9\xA3",
                                      "12:34:56",   "123456789x"};
    const std::vector<std::string> nearMisses = NearMissNumbers();
    texts.insert(texts.end(), nearMisses.begin(), nearMisses.end());
    std::mt19937 random(11);
    for (int i = 0; i < 3000; ++i) {
        std::string digits(1 + random() % 12, '0');
        for (char& c : digits) c = static_cast<char>('0' + random() % 10);
        texts.push_back(digits);
    }
    for (const std::string& text : texts) EXPECT_EQ(LibraryInt(text), PlatformInt(text)) << "'" << text << "'";
}
