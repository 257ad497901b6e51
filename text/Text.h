// Text forms and the conversions between them, and between text and values.
// ANSI strings are bytes in the system's ANSI code page; wide strings are
// UTF-16 code units on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using AnsiString = std::string;
using WideString = std::u16string;

// A length byte and at most 255 bytes of ANSI text.
struct ShortString {
    uint8_t Length = 0;
    char Chars[255] = {};

    std::string_view View() const { return {Chars, Length}; }
};

// True when every byte is below 0x80: such text converts to and from every
// ANSI code page unchanged.
bool IsAsciiText(std::string_view text);

// Code-page conversions (never fail).
WideString WideFromAnsi(std::string_view text);
AnsiString AnsiFromWide(std::u16string_view text);
// Same as WideFromAnsi, reusing the target's storage.
void AssignWideFromAnsi(WideString& target, std::string_view text);
// Same as AnsiFromWide, reusing the target's storage.
void AssignAnsiFromWide(AnsiString& target, std::u16string_view text);
AnsiString AnsiFromUtf8(std::string_view text);
// Same as AnsiFromUtf8, reusing the target's storage.
void AssignAnsiFromUtf8(AnsiString& target, std::string_view text);

// UTF-8 decoded into UTF-16 without loss: pairs for characters past U+FFFF,
// U+FFFD for each longest run of bytes that begins no valid sequence.
WideString Utf16FromUtf8(std::string_view text);
// Same as Utf16FromUtf8, reusing the target's storage.
void AssignUtf16FromUtf8(WideString& target, std::string_view text);
// How many of the first units of `text`, at most `limit`, can be kept
// without cutting a surrogate pair in two.
size_t UnitsWithinLimit(std::u16string_view text, size_t limit);

WideString WideFromZString(const char* text);
AnsiString AnsiFromZString(const char* text);
WideString WideFromCharArray(const char* array, size_t n);
AnsiString AnsiFromShort(const ShortString& text);
ShortString ShortFromZString(const char* text);
void BoundedCopy(char* dest, std::string_view source, size_t maxLen);

// Field values.
int32_t TextToInt(std::string_view text);
bool TextToFlag(std::string_view text);
WideString TextToWide(std::string_view text);
// Same as TextToWide, reusing the target's storage.
void AssignTextToWide(WideString& target, std::string_view text);
ShortString TextToShort(std::string_view text);

// Numbers and flags as text.
AnsiString IntToText(int32_t value);
AnsiString IntToText(int64_t value);
AnsiString BoolToText(uint8_t flag);

// Paths and pieces of text.
AnsiString ParentPath(std::string_view path);
// The same rule over UTF-16 units, where no unit is part of another.
WideString ParentPath(std::u16string_view path);
AnsiString SubText(std::string_view text, int64_t index, int64_t count);
int32_t TextPos(std::string_view sub, std::string_view text);
