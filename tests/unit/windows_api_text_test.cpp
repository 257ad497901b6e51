// The Windows calls as the library relies on them: code pages and numbers.
// The same tests run against the POSIX stand-in layer (native builds) and
// against the real API (Windows builds, under wine in CI), so a place where
// the stand-in does not behave as Windows does fails here. The legitimate
// differences (best-fit characters, number forms of the user's locale) are
// pinned for each platform. The ANSI code page must be Windows-1251
// (TANSY_CODEPAGE=1251; on Windows a Russian system locale).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "Text.h"
#include "WindowsCalls.h"

namespace {

const char16_t kWindows1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

const char16_t kWindows1252High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

}  // namespace

// ---- Code pages ------------------------------------------------------------

TEST(WindowsApiCodePage, TheAnsiCodePageIsWindows1251)
{
    ASSERT_EQ(ToWide(CP_ACP, "\xC8\xCC\xDF\x98"), u"ИМЯ\u0098")
        << "the tests need the ANSI code page 1251: TANSY_CODEPAGE=1251, or on Windows a Russian system locale "
           "(under wine LC_ALL=ru_RU.UTF-8)";
}

TEST(WindowsApiCodePage, EveryByteOf1251And1252MapsAsTheTable)
{
    const std::pair<UINT, const char16_t*> pages[] = {{1251, kWindows1251High}, {1252, kWindows1252High}};
    for (const auto& [page, high] : pages) {
        std::u16string expected;
        for (char16_t unit = 0; unit < 0x80; ++unit) expected.push_back(unit);
        expected.append(high, 128);
        EXPECT_EQ(ToWide(page, AllBytes()), expected) << page;
        BOOL used = TRUE;
        EXPECT_EQ(ToBytes(page, expected, &used), AllBytes()) << page;
        EXPECT_FALSE(used) << page;
    }
}

TEST(WindowsApiCodePage, CharactersThe1251PageLacks)
{
    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(1251, u"Ж中Ω½ß", &used), "\xC6????");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToBytes(1251, u"\xD800x"), "?x");  // a lone surrogate
    char out[4] = {};
    EXPECT_EQ(WideCharToMultiByte(1251, 0, reinterpret_cast<LPCWSTR>(u"Ж中"), 2, out, 4, "*", nullptr), 2);
    EXPECT_EQ(std::string(out, 2), "\xC6*");
}

TEST(WindowsApiCodePage, ZeroBytesInsideTheTextConvert)
{
    for (const UINT page : {1251u, 1252u, static_cast<UINT>(CP_UTF8)}) {
        EXPECT_EQ(ToWide(page, std::string("a\0b", 3)), std::u16string(u"a\0b", 3)) << page;
        EXPECT_EQ(ToBytes(page, std::u16string(u"a\0b", 3)), std::string("a\0b", 3)) << page;
    }
}

// Windows writes some characters the page lacks as a similar one ("best
// fit"); the stand-in writes the default character for all of them.
TEST(WindowsApiCodePage, BestFitCharacters)
{
#ifdef _WIN32
    EXPECT_EQ(ToBytes(1251, u"café über Ā ł Š →"), "cafe uber A l S >");
    EXPECT_EQ(ToBytes(1252, u"Ā ł Ω Ж"), "A l O ?");
#else
    EXPECT_EQ(ToBytes(1251, u"café über Ā ł Š →"), "caf? ?ber ? ? ? ?");
    EXPECT_EQ(ToBytes(1252, u"Ā ł Ω Ж"), "? ? ? ?");
#endif
}

TEST(WindowsApiCodePage, Utf8DecodesWellFormedText)
{
    EXPECT_EQ(ToWide(CP_UTF8, "\xD0\x98\xD0\x9C\xD0\xAF"), u"ИМЯ");
    EXPECT_EQ(ToWide(CP_UTF8, "\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(ToWide(CP_UTF8, "\xEF\xBF\xBF\xF4\x8F\xBF\xBF"), u"\uFFFF\U0010FFFF");
    EXPECT_EQ(ToWide(CP_UTF8, "\xE2\x82\xAC"), u"€");
    EXPECT_EQ(ToBytes(CP_UTF8, u"\U0001F600Ж"), "\xF0\x9F\x98\x80\xD0\x96");
}

TEST(WindowsApiCodePage, Utf8ReplacesBadSequences)
{
    const std::u16string R(1, u'\uFFFD');
    const std::pair<std::string, std::u16string> cases[] = {
        {"\x80", R},
        {"\xBF\x80", R + R},
        {"\xC0\x80", R + R},      // overlong zero
        {"\xC1\xBF", R + R},
        {"\xE0\x80\x80", R + R},  // overlong: the lead and its first continuation byte make one
        {"\xED\xA0\x80", R + R},  // an encoded surrogate
        {"\xD0", R},                  // cut at the end
        {"\xE2\x82", R},
        {"\xF0\x9F\x98", R},
        {"\xE2\x82" "A", R + u"A"},
        {"A\xD0" "A", u"A" + R + u"A"},
        {"\xE2" "A", R},              // cut at the end: the rest goes with it
        {"\xF0\x80", R},
        {"\xF5\x80", R + R},
        {"\xE2" "AB", R + u"AB"},
        {"\xF4\x90\x80\x80", R + R + R},  // past U+10FFFF
        {"\xFF\xFE", R + R},
        // The example of the Unicode standard, section 3.9.
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", u"a" + R + R + R + u"b" + R + u"c" + R + R + u"d"},
    };
    for (const auto& [bytes, units] : cases)
        EXPECT_EQ(ToWide(CP_UTF8, bytes), units) << ::testing::PrintToString(bytes);
}

TEST(WindowsApiCodePage, Utf8WritesLoneSurrogatesAsReplacement)
{
    EXPECT_EQ(ToBytes(CP_UTF8, u"\xD800"), "\xEF\xBF\xBD");
    EXPECT_EQ(ToBytes(CP_UTF8, u"a\xDC00" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(ToBytes(CP_UTF8, u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(WindowsApiCodePage, SizeQueryAndShortBuffers)
{
    for (const UINT page : {1251u, static_cast<UINT>(CP_UTF8)}) {
        const std::string bytes = page == CP_UTF8 ? "x\xF0\x9F\x98\x80" : "x\xC0\xC1";
        const int units = MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        EXPECT_EQ(units, 3) << page;
        char16_t wide[8];
        const auto wideOut = reinterpret_cast<LPWSTR>(wide);
        std::fill(std::begin(wide), std::end(wide), u'#');
        // A buffer that would cut the UTF-8 text's surrogate pair in two: wine
        // fills it and answers 2, the stand-in fails (PosixCodePage).
        if (page != CP_UTF8) {
            SetLastError(0);
            EXPECT_EQ(MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), wideOut, units - 1),
                      0);
            EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        }
        EXPECT_EQ(wide[units - 1], u'#') << "wrote past the given length";
        EXPECT_EQ(MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), wideOut, units), units);

        // -1: the text runs to its zero, which is converted and counted too.
        EXPECT_EQ(MultiByteToWideChar(page, 0, bytes.c_str(), -1, nullptr, 0), units + 1);
        std::fill(std::begin(wide), std::end(wide), u'#');
        EXPECT_EQ(MultiByteToWideChar(page, 0, bytes.c_str(), -1, wideOut, 8), units + 1);
        EXPECT_EQ(wide[units], u'\0');

        const int needed = WideCharToMultiByte(page, 0, wideOut, -1, nullptr, 0, nullptr, nullptr);
        EXPECT_EQ(needed, static_cast<int>(bytes.size()) + 1);
        char out[8];
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(page, 0, wideOut, -1, out, needed - 1, nullptr, nullptr), 0);
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(WideCharToMultiByte(page, 0, wideOut, -1, out, needed, nullptr, nullptr), needed);
        EXPECT_STREQ(out, bytes.c_str());
    }
}

// ---- Numbers ---------------------------------------------------------------

TEST(WindowsApiVariant, DecimalTextConvertsAlike)
{
    const std::pair<std::u16string, LONG> cases[] = {
        {u"42", 42},   {u"-7", -7}, {u"  12  ", 12}, {u"+5", 5}, {u"\t9\r\n", 9}, {u"007", 7}, {u"-0", 0},
        {u"2147483647", 2147483647}, {u"-2147483648", INT32_MIN}, {u"0000000000002147483647", 2147483647},
        {std::u16string(u"12\0junk", 7), 12},  // read up to the first zero unit
    };
    for (const auto& [text, expected] : cases) {
        LONG value = -1;
        EXPECT_EQ(ToInt32(text, value), S_OK) << ::testing::PrintToString(text);
        EXPECT_EQ(value, expected) << ::testing::PrintToString(text);
    }
}

TEST(WindowsApiVariant, TextThatIsNoNumberFailsAlike)
{
    const std::u16string noNumbers[] = {u"",     u" ",     u"abc",  u"12a", u"+",   u"-",  u"--1",
                                        u"0x10",  u"12.5", u"1.234", u"5 %", u"١٢",
                                        std::u16string(u"\0" u"12", 3)};
    for (const std::u16string& text : noNumbers) {
        LONG value = 0;
        EXPECT_EQ(ToInt32(text, value), DISP_E_TYPEMISMATCH) << ::testing::PrintToString(text);
    }
    for (const std::u16string text : {u"2147483648", u"-2147483649", u"99999999999999999999999"}) {
        LONG value = 0;
        EXPECT_EQ(ToInt32(text, value), DISP_E_OVERFLOW) << ::testing::PrintToString(text);
    }
}

// Windows reads the number forms of the user's locale (here Russian: blank
// digit grouping, decimal comma, rounding) and a few more; the stand-in reads
// only blanks, a sign and digits.
TEST(WindowsApiVariant, NumberFormsOfTheLocale)
{
    const std::pair<std::u16string, LONG> windowsOnly[] = {
        {u"1 234", 1234}, {u"12 345 678", 12345678}, {u"12,5", 12}, {u"13,5", 14}, {u"&H10", 16},
        {u"(5)", -5},     {u"5-", -5},               {u"1e3", 1000}, {u"+ 5", 5},  {u"+-1", -1},
    };
    for (const auto& [text, windowsValue] : windowsOnly) {
        LONG value = 0;
#ifdef _WIN32
        EXPECT_EQ(ToInt32(text, value), S_OK) << ::testing::PrintToString(text);
        EXPECT_EQ(value, windowsValue) << ::testing::PrintToString(text);
#else
        (void)windowsValue;
        EXPECT_EQ(ToInt32(text, value), DISP_E_TYPEMISMATCH) << ::testing::PrintToString(text);
#endif
    }
}

// The library's own UTF-8 decoder, which gives the Unicode interface its
// names, decodes as the system's MultiByteToWideChar(CP_UTF8, 0) does: a
// four-byte sequence as a surrogate pair, each broken part as one U+FFFD.
// Checked on every line of the fuzz corpora (broken sequences, overlong
// forms, lone surrogates, bytes past U+10FFFF among them), the whole of each
// file, and sequences that break at each place. Each text is followed by
// three ASCII bytes: where a text ends fewer bytes after a lead than its
// sequence needs, wine's decoder also drops the bytes after that lead ("\xE4 "
// gives one U+FFFD), which the library keeps.
std::u16string SystemDecoding(const std::string& text)
{
    const std::u16string wide = ToWide(CP_UTF8, text + "zzz");
    EXPECT_EQ(wide.substr(wide.size() - 3), u"zzz") << ::testing::PrintToString(text);
    return wide.substr(0, wide.size() - 3);
}

TEST(WindowsApiUtf8, TheLibrarysDecoderDecodesAsTheSystem)
{
    size_t files = 0;
    for (const char* corpus : {"/corpus/exports", "/corpus/text", "/regressions/exports"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(TANSY_FUZZ_DIR) + corpus)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            ++files;
            EXPECT_EQ(Utf16FromUtf8(bytes), SystemDecoding(bytes)) << entry.path();
            for (size_t at = 0; at < bytes.size();) {
                const size_t end = std::min(bytes.find('\n', at), bytes.size());
                const std::string line = bytes.substr(at, end - at);
                EXPECT_EQ(Utf16FromUtf8(line), SystemDecoding(line)) << entry.path() << ": " << line;
                at = end + 1;
            }
        }
    }
    EXPECT_GT(files, 100u);
    for (const char* broken :
         {"\xED\xA0\x80", "\xED\xBF\xBFz", "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80",
          "\xF5\x80\x80\x80", "\xE0\x80", "\xE0\x9F\x80", "\xE1\x80", "\xE1\x80\x41", "\xF0\x90\x80",
          "\xF1\x80\x80\xC0", "\xC1\xBF", "\xC2", "\xC2\xC2\xA9", "\x80\xBF\xFE\xFF", "\xE4 ", "a\xF0\x9F\x98 z"}) {
        EXPECT_EQ(Utf16FromUtf8(broken), SystemDecoding(broken)) << ::testing::PrintToString(std::string(broken));
    }
}
