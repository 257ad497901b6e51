// libFuzzer target for the text and value conversions and the field
// classifier. Each input is taken as one byte string (and its first bytes as
// small numbers), and also as field lines; every promise is checked against a
// plain reference; a broken promise aborts, which the fuzzer reports as a
// crash with the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "CodePageControl.h"
#include "Failures.h"
#include "LineSearch.h"
#include "Oracles.h"
#include "PLUGIN_Main.h"
#include "Text.h"

namespace {

[[noreturn]] void Broken(const char* promise)
{
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

#define REQUIRE(condition) \
    do {                   \
        if (!(condition)) Broken(#condition); \
    } while (0)

// ---- References -----------------------------------------------------------

bool IsTrail(uint8_t b)
{
    return (b & 0xC0) == 0x80;
}

// The decoding rules of names: bit 0x40 of a lead byte is not looked at and
// there is no four-byte form; any missing or wrong trail byte fails it all.
std::optional<std::u16string> ReferenceUtf8Units(std::string_view text)
{
    std::u16string units;
    for (size_t i = 0; i < text.size();) {
        const uint8_t b = static_cast<uint8_t>(text[i]);
        if (b < 0x80) {
            units.push_back(b);
            i += 1;
        } else if ((b & 0x20) == 0) {
            if (text.size() - i < 2 || !IsTrail(static_cast<uint8_t>(text[i + 1]))) return std::nullopt;
            units.push_back(static_cast<char16_t>((b & 0x1F) * 64 + (text[i + 1] & 0x3F)));
            i += 2;
        } else {
            if (text.size() - i < 3 || !IsTrail(static_cast<uint8_t>(text[i + 1])) ||
                !IsTrail(static_cast<uint8_t>(text[i + 2])))
                return std::nullopt;
            units.push_back(static_cast<char16_t>(((b & 0x3F) * 4096 + (text[i + 1] & 0x3F) * 64 +
                                                   (text[i + 2] & 0x3F)) & 0xFFFF));
            i += 3;
        }
    }
    return units;
}

// Strict UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const uint8_t b = static_cast<uint8_t>(text[i]);
        size_t n;
        uint32_t c;
        if (b < 0x80) { i += 1; continue; }
        if (b >= 0xC2 && b <= 0xDF) { n = 2; c = b & 0x1F; }
        else if (b >= 0xE0 && b <= 0xEF) { n = 3; c = b & 0x0F; }
        else if (b >= 0xF0 && b <= 0xF4) { n = 4; c = b & 0x07; }
        else return false;
        if (text.size() - i < n) return false;
        for (size_t k = 1; k < n; ++k) {
            const uint8_t t = static_cast<uint8_t>(text[i + k]);
            if (!IsTrail(t)) return false;
            c = c * 64 + (t & 0x3F);
        }
        if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF))) return false;
        if (c >= 0xD800 && c <= 0xDFFF) return false;
        i += n;
    }
    return true;
}

// The parent of a path in a single-byte code page.
std::string ReferenceParentPath(std::string_view path)
{
    const size_t last = path.rfind('\\');
    if (last == std::string_view::npos) return {};
    if (last > 0 && path[last - 1] != '\\') return std::string(path.substr(0, last));
    return std::string(path.substr(0, last + 1));
}

// Plain decimal forms: blanks, an optional sign, digits, blanks. Nothing when
// the text is of another form; otherwise the value, or no value when it
// lies outside the 32-bit range.
struct PlainForm {
    bool plain = false;
    std::optional<int32_t> value;
};

PlainForm ReferenceDecimal(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const size_t digits = i;
    int64_t magnitude = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 2147483648LL) {
            overflow = true;
            magnitude = 2147483648LL;
        }
    }
    if (i == digits) return {};
    while (i < text.size() && text[i] == ' ') ++i;
    if (i != text.size()) return {};
    const int64_t value = negative ? -magnitude : magnitude;
    if (overflow || value > INT32_MAX || value < INT32_MIN) return {true, std::nullopt};
    return {true, static_cast<int32_t>(value)};
}

// ---- Checks -----------------------------------------------------------------

// The bytes as a heap block of exactly their size, so that any read past
// them is caught by AddressSanitizer.
std::unique_ptr<char[]> ExactCopy(std::string_view bytes)
{
    std::unique_ptr<char[]> copy(new char[bytes.size() == 0 ? 1 : bytes.size()]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    return copy;
}

void CheckSingleByteRoundTrips(std::string_view bytes)
{
    for (const UINT codePage : {1251u, 1252u}) {
        REQUIRE(TansySetActiveCodePage(codePage));
        const WideString wide = WideFromAnsi(bytes);
        REQUIRE(wide.size() == bytes.size());
        REQUIRE(AnsiFromWide(wide) == bytes);
        WideString assigned = u"left over";
        AssignWideFromAnsi(assigned, bytes);
        REQUIRE(assigned == wide);
    }
}

void CheckUtf8CodePage(std::string_view bytes)
{
    REQUIRE(TansySetActiveCodePage(65001));
    const WideString wide = WideFromAnsi(bytes);
    REQUIRE(wide.size() <= bytes.size());
    // The Unicode interface's own decoder decodes as the system's UTF-8 code
    // page does (on POSIX the stand-in's, which the Windows tests hold to
    // Windows' own), given ASCII after the text: the system drops what
    // follows a lead that the text's end cuts short, the library keeps it.
    const std::string padded = std::string(bytes) + "zzz";
    REQUIRE(Utf16FromUtf8(padded) == WideFromAnsi(padded));
    const AnsiString back = AnsiFromWide(wide);
    if (IsValidUtf8(bytes)) REQUIRE(back == bytes);
}

void CheckAnsiFromUtf8(std::string_view bytes, UINT codePage)
{
    REQUIRE(TansySetActiveCodePage(codePage));
    const auto exact = ExactCopy(bytes);
    const std::string_view input(exact.get(), bytes.size());
    const AnsiString got = AnsiFromUtf8(input);
    const std::optional<std::u16string> units = ReferenceUtf8Units(bytes);
    if (!units) {
        REQUIRE(got.empty());
        return;
    }
    REQUIRE(got == AnsiFromWide(*units));
    // Single-byte code pages give one byte per unit.
    if (codePage != 65001) REQUIRE(got.size() == units->size());
    AnsiString assigned = "left over";
    AssignAnsiFromUtf8(assigned, input);
    REQUIRE(assigned == got);
}

void CheckParentPath(std::string_view bytes)
{
    REQUIRE(TansySetActiveCodePage(1251));
    const AnsiString parent = ParentPath(bytes);
    REQUIRE(parent.size() <= bytes.size());
    REQUIRE(bytes.substr(0, parent.size()) == parent);
    REQUIRE(parent == ReferenceParentPath(bytes));
}

// Both line searches, from every one of the first starts on: the same
// answers as a plain byte loop, and no byte read past the input.
void CheckLineSearches(std::string_view bytes)
{
    for (size_t start = 0; start < bytes.size() && start < 32; ++start) {
        const char* from = bytes.data() + start;
        const size_t n = bytes.size() - start;
        for (const char value : {'\n', '\r', '\0'}) {
            const char* found = static_cast<const char*>(std::memchr(from, value, n));
            REQUIRE(FindByte(from, n, value) == found);
            REQUIRE(FindBytePortable(from, n, value) == found);
            if (value == '\n') REQUIRE(FindLineFeed(from, n) == found);
        }
        // Every "#" line, and those whose byte after the "#" is among the input's first four.
        TMarkStarts some{false, {}};
        for (size_t k = 0; k < some.AfterHash.size(); ++k) some.AfterHash[k] = bytes[k % bytes.size()];
        for (const TMarkStarts& starts : {TMarkStarts(), some}) {
            const char* marked = nullptr;
            for (size_t i = 0; i + 1 < n && marked == nullptr; ++i)
                if (from[i] == '\n' && MayBeginMarkedLine(from + i + 1, n - i - 1, starts)) marked = from + i;
            REQUIRE(FindLineBeforeMark(from, n, starts) == marked);
            REQUIRE(FindLineBeforeMarkPortable(from, n, starts) == marked);
        }
    }
}

void CheckBoundedCopy(std::string_view bytes, size_t maxLen)
{
    // maxLen + 1 bytes of room, then a guard that must stay untouched; the
    // block is exactly that long, so AddressSanitizer sees any write past it.
    constexpr size_t kGuard = 16;
    std::unique_ptr<char[]> block(new char[maxLen + 1 + kGuard]);
    std::memset(block.get(), 0x5A, maxLen + 1 + kGuard);
    BoundedCopy(block.get(), bytes, maxLen);
    for (size_t i = maxLen + 1; i < maxLen + 1 + kGuard; ++i) REQUIRE(block[i] == 0x5A);
    const size_t zero = bytes.find('\0');
    const size_t length = std::min(zero == std::string_view::npos ? bytes.size() : zero, maxLen);
    REQUIRE(std::memcmp(block.get(), bytes.data(), length) == 0);
    REQUIRE(block[length] == '\0');
    for (size_t i = length + 1; i <= maxLen; ++i) REQUIRE(block[i] == 0x5A);
}

// Plain decimal forms read as the digits say; every text, of whatever form,
// reads as the platform's variant conversion reads it.
void CheckTextToInt(std::string_view bytes)
{
    REQUIRE(TansySetActiveCodePage(1251));
    const PlainForm reference = ReferenceDecimal(bytes);
    std::optional<int32_t> got;
    bool failed = false;
    try {
        got = TextToInt(bytes);
    } catch (const EVariantError&) {
        failed = true;
    }
    if (reference.plain) {
        if (reference.value) {
            REQUIRE(got && *got == *reference.value);
        } else {
            REQUIRE(failed);
        }
    }
    REQUIRE(got == PlatformInt(bytes));
    // Every value reads back from its own text.
    if (got) REQUIRE(TextToInt(IntToText(*got)) == *got);
}

void CheckFieldKey(std::string_view line)
{
    REQUIRE(ClassifyFieldLine(line) == KeyByTheRule(line));
}

// The input as the lines of a block: each line's key, and its value as a number.
void CheckFieldLines(std::string_view bytes)
{
    CheckFieldKey(bytes);
    for (size_t at = 0; at < bytes.size();) {
        size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = bytes.substr(at, end - at);
        CheckFieldKey(line);
        CheckTextToInt(FieldValue(line));
        at = end + 1;
    }
}

void CheckSmallHelpers(std::string_view bytes, int64_t index, int64_t count)
{
    const ShortString shortened = TextToShort(bytes);
    REQUIRE(shortened.Length == std::min<size_t>(bytes.size(), 255));
    REQUIRE(shortened.View() == bytes.substr(0, shortened.Length));
    const std::string zeroEnded(bytes);
    const ShortString fromZ = ShortFromZString(zeroEnded.c_str());
    REQUIRE(fromZ.View() == std::string_view(zeroEnded.c_str()).substr(0, 255));

    const AnsiString sub = SubText(bytes, index, count);
    REQUIRE(sub.size() <= bytes.size());
    if (!sub.empty()) REQUIRE(bytes.find(sub) != std::string_view::npos);

    const size_t half = bytes.size() / 2;
    const std::string_view needle = bytes.substr(half, std::min<size_t>(bytes.size() - half, 4));
    const int32_t at = TextPos(needle, bytes);
    const size_t expected = needle.empty() ? std::string_view::npos : bytes.find(needle);
    REQUIRE(at == (expected == std::string_view::npos ? 0 : static_cast<int32_t>(expected + 1)));

    const auto exact = ExactCopy(bytes);
    const WideString fromArray = WideFromCharArray(exact.get(), bytes.size());
    REQUIRE(fromArray.size() <= bytes.size());
    REQUIRE(TextToFlag(bytes) == (std::string_view(zeroEnded.c_str()) == "YES"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t maxLen = size > 0 ? data[0] % 64 : 0;
    const int64_t index = size > 1 ? static_cast<int8_t>(data[1]) : 0;
    const int64_t count = size > 2 ? static_cast<int8_t>(data[2]) : 0;

    CheckSingleByteRoundTrips(bytes);
    CheckUtf8CodePage(bytes);
    CheckAnsiFromUtf8(bytes, 1251);
    CheckAnsiFromUtf8(bytes, 65001);
    CheckParentPath(bytes);
    CheckLineSearches(bytes);
    CheckBoundedCopy(bytes, maxLen);
    CheckBoundedCopy(bytes, bytes.size());
    CheckTextToInt(bytes);
    CheckFieldLines(bytes);
    CheckSmallHelpers(bytes, index, count);
    return 0;
}
