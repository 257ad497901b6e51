#include "Utf8.h"

namespace host {

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool NextUtf8(const std::string& text, size_t& pos, char32_t& code, bool surrogates)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        code = lead;
        ++pos;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        ++pos;
        return false;
    }
    if (pos + length > text.size()) {
        ++pos;
        return false;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (!surrogates && code >= 0xD800 && code <= 0xDFFF)) {
        ++pos;
        return false;
    }
    pos += length;
    return true;
}

namespace {

// Calls `take` with each character of `text`, U+FFFD for a byte that begins
// no sequence.
template <typename Take>
void ForEachCharacter(const std::string& text, bool surrogates, Take take)
{
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t code = 0;
        if (!NextUtf8(text, pos, code, surrogates)) code = 0xFFFD;
        take(code);
    }
}

}  // namespace

std::string ValidUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    ForEachCharacter(text, false, [&out](char32_t code) { AppendUtf8(out, code); });
    return out;
}

std::string Utf8FromUtf16(const std::u16string& units)
{
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t code = units[i];
        const bool pair = code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                          units[i + 1] <= 0xDFFF;
        if (pair) code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        AppendUtf8(out, code);
    }
    return out;
}

std::u16string Utf16FromUtf8(const std::string& text)
{
    std::u16string units;
    units.reserve(text.size());
    ForEachCharacter(text, true, [&units](char32_t code) {
        if (code >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            code = 0xDC00 + ((code - 0x10000) & 0x3FF);
        }
        units += static_cast<char16_t>(code);
    });
    return units;
}

}  // namespace host
