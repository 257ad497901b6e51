// The hotlist's line readers and the header skip.
#include "PLUGIN_Main.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// Raw bytes of the line being read, kept so that passes do not allocate per line.
AnsiString LineBytes;
// A block line converted back to ANSI text, kept likewise.
AnsiString FieldText;

}  // namespace

HWND GetHostWindow()
{
    return FindWindowA("TTOTAL_CMD", nullptr);
}

void ReadHotlistLine(TTextFile& file, WideString& line)
{
    ReadTextLine(file, LineBytes);
    AssignWideFromAnsi(line, LineBytes);
    RaiseTextFailure(file);
}

bool HotlistAtEnd(TTextFile& file)
{
    return TextAtEnd(file);
}

bool SkipToFirstEntry(TTextFile& file, WideString& line)
{
    line = u" ";
    while (line[0] != u'#') {
        ReadHotlistLine(file, line);
        if (line.empty() || line == u"#SEPERATOR") line = u" ";
        if (HotlistAtEnd(file)) return false;
    }
    return true;
}

bool ReadPastPlainLines(TTextFile& file, WideString& line)
{
    const bool stopped = SkipPlainLines(file, LineBytes);
    AssignWideFromAnsi(line, LineBytes);
    RaiseTextFailure(file);
    return stopped;
}

namespace {

// A value widened and narrowed again, kept so that blocks do not allocate.
WideString RoundTripWide;
AnsiString RoundTripText;
// The bytes of the block line read last: in the file's buffer or in LineBytes.
std::string_view FieldLineBytes;

// The number of leading bytes below 0x80, eight at a time.
size_t AsciiPrefixLength(std::string_view text)
{
    constexpr uint64_t kHighBits = 0x8080808080808080u;
    const size_t size = text.size();
    size_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        uint64_t word;
        for (; n + 8 <= size; n += 8) {
            std::memcpy(&word, text.data() + n, sizeof word);
            if (const uint64_t high = word & kHighBits) return n + static_cast<size_t>(std::countr_zero(high)) / 8;
        }
        // The last eight bytes, overlapping ones already found ASCII.
        if (n < size && size >= 8) {
            std::memcpy(&word, text.data() + size - 8, sizeof word);
            const uint64_t high = word & kHighBits;
            return high ? size - 8 + static_cast<size_t>(std::countr_zero(high)) / 8 : size;
        }
    }
    while (n < size && static_cast<unsigned char>(text[n]) < 0x80) ++n;
    return n;
}

// The key and value of a line whose bytes are `bytes`, when its ANSI text
// provably gives the same: ASCII bytes at the start of a line widen to the
// same units in every code page (no multi-byte character begins with one),
// and those narrow back to the same bytes, so a key or "=" found among them
// is where it is in the line's ANSI text, and the value is the rest of the
// line through the code page and back.
bool FieldFromBytes(std::string_view bytes, bool allAscii, TFieldLine& field)
{
    field.Key = ClassifyFieldLine(bytes);
    field.EndsBlock = bytes.empty();
    if (allAscii) {
        field.Value = field.Key == hkNone ? std::string_view() : bytes.substr(FieldValueStart(bytes, field.Key));
        field.NeedsRoundTrip = false;
        return true;
    }
    // The line is not empty here, and neither is its text: its first byte is
    // ASCII whenever the key is decided.
    const size_t ascii = AsciiPrefixLength(bytes);
    const bool keyDecided = field.Key == hkNone ? ascii >= kKeyWindow : KeyTextLength(field.Key) < ascii;
    if (!keyDecided) return false;
    if (field.Key == hkNone) {
        field.Value = {};
        field.NeedsRoundTrip = false;
        return true;
    }
    const size_t start = FieldValueStart(bytes, field.Key);
    if (start == 0 || start > ascii) return false;
    field.Value = bytes.substr(start);
    field.NeedsRoundTrip = true;
    return true;
}

}  // namespace

TFieldLine ReadFieldLine(TTextFile& file, WideString& line, bool& lineBehind)
{
    bool ascii = false;
    FieldLineBytes = ReadTextLineInPlace(file, LineBytes, &ascii);
    TFieldLine field;
    if (file.Failure == 0 && FieldFromBytes(FieldLineBytes, ascii, field)) {
        lineBehind = true;
        return field;
    }
    lineBehind = false;
    AssignWideFromAnsi(line, FieldLineBytes);
    RaiseTextFailure(file);
    AssignAnsiFromWide(FieldText, line);
    field.Key = ClassifyFieldLine(FieldText);
    field.Value = std::string_view(FieldText).substr(FieldValueStart(FieldText, field.Key));
    field.NeedsRoundTrip = false;
    field.EndsBlock = line.empty();
    return field;
}

void CatchUpLine(WideString& line)
{
    AssignWideFromAnsi(line, FieldLineBytes);
}

std::string_view AnsiValue(const TFieldLine& field)
{
    if (!field.NeedsRoundTrip) return field.Value;
    AssignWideFromAnsi(RoundTripWide, field.Value);
    AssignAnsiFromWide(RoundTripText, RoundTripWide);
    return RoundTripText;
}
