// UTF-8 and UTF-16 helpers shared by the platforms and the export driver.
#pragma once

#include <string>

namespace host {

void AppendUtf8(std::string& out, char32_t code);
// Decodes one character at `pos` and steps past it; false (and one byte
// stepped over) at an invalid, over-long or surrogate sequence. With
// `surrogates`, the three-byte form of U+D800..U+DFFF counts as a character:
// it is how Utf8FromUtf16 writes an unpaired surrogate.
bool NextUtf8(const std::string& text, size_t& pos, char32_t& code, bool surrogates = false);
// The text with every invalid sequence replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

// UTF-16 text as UTF-8, losing nothing: a pair becomes its four-byte form,
// an unpaired surrogate the three-byte form of its own value.
std::string Utf8FromUtf16(const std::u16string& units);
// The reverse of Utf8FromUtf16; a byte that begins no sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(const std::string& text);

}  // namespace host
