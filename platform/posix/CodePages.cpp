// Code-page conversions of the stand-in layer: Windows-1251, Windows-1252 and
// UTF-8, converted as Windows converts them with flags 0. The ANSI code page
// (CP_ACP) is chosen by TANSY_CODEPAGE, read once; UTF-8 is the default
// because Linux hosts and terminals speak it.
#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

#include "CodePageControl.h"
#include "CodePageTables.h"
#include "tansy_windows.h"

namespace {

constexpr UINT kDefaultCodePage = CP_UTF8;
constexpr char16_t kReplacement = 0xFFFD;

std::mutex gCodePageMutex;
std::atomic<UINT> gActiveCodePage{0};  // 0: TANSY_CODEPAGE not read yet

bool IsSupported(UINT codePage)
{
    return codePage == 1251 || codePage == 1252 || codePage == CP_UTF8;
}

// Shows a setting on the error line without letting control bytes through.
std::string Printable(const char* value)
{
    std::string shown;
    for (const char* p = value; *p != '\0' && shown.size() < 40; ++p)
        shown += (*p >= 0x20 && *p < 0x7F) ? *p : '?';
    return shown;
}

UINT ActiveCodePage()
{
    const UINT active = gActiveCodePage.load(std::memory_order_acquire);
    if (active != 0) return active;
    std::lock_guard<std::mutex> lock(gCodePageMutex);
    if (gActiveCodePage.load(std::memory_order_relaxed) == 0)
        gActiveCodePage.store(TansyCodePageFromSetting(std::getenv("TANSY_CODEPAGE")),
                              std::memory_order_release);
    return gActiveCodePage.load(std::memory_order_relaxed);
}

// The code page a call names, or 0 when the layer does not offer it.
UINT Resolve(UINT codePage)
{
    if (codePage == CP_ACP) return ActiveCodePage();
    return IsSupported(codePage) ? codePage : 0;
}

const char16_t* HighHalf(UINT codePage)
{
    return codePage == 1251 ? kWindows1251High : kWindows1252High;
}

// Byte of every UTF-16 unit in a single-byte code page, 0 where the code page
// lacks the unit (U+0000 is the only unit of byte 0): one lookup per unit, as
// Windows' own tables give it.
using ReverseTable = std::array<uint8_t, 0x10000>;

ReverseTable MakeReverse(const char16_t* high)
{
    ReverseTable table{};
    for (size_t unit = 0; unit < 0x80; ++unit) table[unit] = static_cast<uint8_t>(unit);
    for (size_t i = 0; i < 128; ++i) table[high[i]] = static_cast<uint8_t>(0x80 + i);
    return table;
}

const ReverseTable& ReverseOf(UINT codePage)
{
    static const ReverseTable k1251 = MakeReverse(kWindows1251High);
    static const ReverseTable k1252 = MakeReverse(kWindows1252High);
    return codePage == 1251 ? k1251 : k1252;
}

// ---- UTF-8 -----------------------------------------------------------------

// Decodes UTF-8 into UTF-16, writing only when `out` is given; returns the
// number of units. Ill-formed input becomes U+FFFD as Windows replaces it
// (checked against wine): a byte that starts no sequence is one U+FFFD; a
// sequence that the end of the text cuts short takes the rest of the text
// into one U+FFFD; otherwise the bytes read until the sequence went wrong make
// one U+FFFD, a first continuation byte that makes it an overlong form, a
// surrogate or a value past U+10FFFF included.
size_t DecodeUtf8(const uint8_t* text, size_t size, char16_t* out)
{
    size_t units = 0;
    const auto put = [&](char16_t unit) {
        if (out != nullptr) out[units] = unit;
        ++units;
    };
    size_t i = 0;
    while (i < size) {
        const uint8_t lead = text[i];
        if (lead < 0x80) {
            put(lead);
            ++i;
            continue;
        }
        size_t length;
        uint8_t low = 0x80, high = 0xBF;  // range of a well-formed second byte
        uint32_t value;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;  // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
        } else {
            put(kReplacement);
            ++i;
            continue;
        }
        if (size - i < length) {
            put(kReplacement);
            break;
        }
        size_t taken = 1;
        while (taken < length) {
            const uint8_t next = text[i + taken];
            if (next < 0x80 || next > 0xBF) break;
            ++taken;
            if (taken == 2 && (next < low || next > high)) break;
            value = (value << 6) | (next & 0x3F);
        }
        i += taken;
        if (taken < length) {
            put(kReplacement);
        } else if (value >= 0x10000) {
            value -= 0x10000;
            put(static_cast<char16_t>(0xD800 + (value >> 10)));
            put(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        } else {
            put(static_cast<char16_t>(value));
        }
    }
    return units;
}

// Encodes UTF-16 as UTF-8, writing only when `out` is given; returns the
// number of bytes. A lone surrogate is written as U+FFFD.
size_t EncodeUtf8(const char16_t* text, size_t size, uint8_t* out)
{
    size_t bytes = 0;
    const auto put = [&](uint32_t byte) {
        if (out != nullptr) out[bytes] = static_cast<uint8_t>(byte);
        ++bytes;
    };
    for (size_t i = 0; i < size; ++i) {
        uint32_t value = text[i];
        if (value >= 0xD800 && value <= 0xDBFF && i + 1 < size && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            value = 0x10000 + ((value - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (value >= 0xD800 && value <= 0xDFFF) {
            value = kReplacement;
        }
        if (value < 0x80) {
            put(value);
        } else if (value < 0x800) {
            put(0xC0 | (value >> 6));
            put(0x80 | (value & 0x3F));
        } else if (value < 0x10000) {
            put(0xE0 | (value >> 12));
            put(0x80 | ((value >> 6) & 0x3F));
            put(0x80 | (value & 0x3F));
        } else {
            put(0xF0 | (value >> 18));
            put(0x80 | ((value >> 12) & 0x3F));
            put(0x80 | ((value >> 6) & 0x3F));
            put(0x80 | (value & 0x3F));
        }
    }
    return bytes;
}

int Fail(DWORD code)
{
    SetLastError(code);
    return 0;
}

bool Overlap(const void* a, size_t aSize, const void* b, size_t bSize)
{
    const auto x = reinterpret_cast<uintptr_t>(a);
    const auto y = reinterpret_cast<uintptr_t>(b);
    return x < y + bSize && y < x + aSize;
}

size_t WideLength(const WCHAR* text)
{
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

}  // namespace

UINT TansyCodePageFromSetting(const char* value)
{
    if (value == nullptr || value[0] == '\0') return kDefaultCodePage;
    if (std::strcmp(value, "1251") == 0) return 1251;
    if (std::strcmp(value, "1252") == 0) return 1252;
    if (std::strcmp(value, "65001") == 0) return CP_UTF8;
    std::fprintf(stderr,
                 "tansy: TANSY_CODEPAGE=\"%s\" is not a supported code page (1251, 1252 or 65001);"
                 " using 65001 (UTF-8)\n",
                 Printable(value).c_str());
    return kDefaultCodePage;
}

bool TansySetActiveCodePage(UINT codePage)
{
    if (codePage != 0 && !IsSupported(codePage)) return false;
    std::lock_guard<std::mutex> lock(gCodePageMutex);
    gActiveCodePage.store(codePage, std::memory_order_release);
    return true;
}

UINT TansyActiveCodePage()
{
    return ActiveCodePage();
}

UINT GetACP()
{
    return ActiveCodePage();
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLen, LPWSTR dest,
                        int destLen)
{
    const UINT page = Resolve(codePage);
    if (page == 0 || source == nullptr || sourceLen == 0 || sourceLen < -1 || destLen < 0 ||
        (destLen > 0 && dest == nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    if (flags != 0) return Fail(ERROR_INVALID_FLAGS);
    // -1: the text runs to its zero byte, which is converted too.
    const size_t size = sourceLen == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLen);
    if (destLen > 0 && Overlap(source, size, dest, static_cast<size_t>(destLen) * sizeof(WCHAR)))
        return Fail(ERROR_INVALID_PARAMETER);
    const auto* bytes = reinterpret_cast<const uint8_t*>(source);

    const size_t needed = page == CP_UTF8 ? DecodeUtf8(bytes, size, nullptr) : size;
    if (needed > INT_MAX) return Fail(ERROR_INVALID_PARAMETER);
    if (destLen == 0) return static_cast<int>(needed);
    if (needed > static_cast<size_t>(destLen)) return Fail(ERROR_INSUFFICIENT_BUFFER);

    if (page == CP_UTF8) {
        DecodeUtf8(bytes, size, dest);
    } else {
        const char16_t* high = HighHalf(page);
        for (size_t i = 0; i < size; ++i) dest[i] = bytes[i] < 0x80 ? bytes[i] : high[bytes[i] - 0x80];
    }
    return static_cast<int>(needed);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLen, LPSTR dest,
                        int destLen, LPCSTR defaultChar, BOOL* usedDefault)
{
    const UINT page = Resolve(codePage);
    if (page == 0 || source == nullptr || sourceLen == 0 || sourceLen < -1 || destLen < 0 ||
        (destLen > 0 && dest == nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    if (flags != 0) return Fail(ERROR_INVALID_FLAGS);
    // UTF-8 has no default character.
    if (page == CP_UTF8 && (defaultChar != nullptr || usedDefault != nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    const size_t size = sourceLen == -1 ? WideLength(source) + 1 : static_cast<size_t>(sourceLen);
    if (destLen > 0 && Overlap(source, size * sizeof(WCHAR), dest, static_cast<size_t>(destLen)))
        return Fail(ERROR_INVALID_PARAMETER);

    if (page == CP_UTF8) {
        const size_t needed = EncodeUtf8(source, size, nullptr);
        if (needed > INT_MAX) return Fail(ERROR_INVALID_PARAMETER);
        if (destLen == 0) return static_cast<int>(needed);
        if (needed > static_cast<size_t>(destLen)) return Fail(ERROR_INSUFFICIENT_BUFFER);
        EncodeUtf8(source, size, reinterpret_cast<uint8_t*>(dest));
        return static_cast<int>(needed);
    }

    // Single-byte: one byte per unit; a unit the code page lacks becomes the
    // default character, so each half of a surrogate pair gives one.
    if (size > INT_MAX) return Fail(ERROR_INVALID_PARAMETER);
    const bool write = destLen != 0;
    if (write && size > static_cast<size_t>(destLen)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    const char fallback = defaultChar != nullptr ? defaultChar[0] : '?';
    const ReverseTable& reverse = ReverseOf(page);
    bool used = false;
    for (size_t i = 0; i < size; ++i) {
        const char16_t unit = source[i];
        uint8_t byte = reverse[unit];
        if (byte == 0 && unit != 0) {
            byte = static_cast<uint8_t>(fallback);
            used = true;
        }
        if (write) dest[i] = static_cast<char>(byte);
    }
    if (usedDefault != nullptr) *usedDefault = used ? TRUE : FALSE;
    return static_cast<int>(size);
}

// None of the offered code pages has double-byte characters.
BOOL IsDBCSLeadByte(BYTE /*value*/)
{
    return FALSE;
}
