// UTF-8 helpers shared by the platforms.
#pragma once

#include <string>

namespace host {

void AppendUtf8(std::string& out, char32_t code);
// Decodes one character at `pos` and steps past it; false (and one byte
// stepped over) at an invalid, over-long or surrogate sequence.
bool NextUtf8(const std::string& text, size_t& pos, char32_t& code);
// The text with every invalid sequence replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

}  // namespace host
