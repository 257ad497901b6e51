// Blocks of field lines: the classifier of a field line, the reading of a
// block's lines with the conversions they provably do not need left out, and
// the block readers that fill the folder and bookmark records.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "PLUGIN_Main.h"

namespace {

struct KeyText {
    std::string_view Text;
    THotlistKey Key;
};

// Tried in this order; a line's key is the first whose text starts at the
// line's second character.
constexpr KeyText kKeyTexts[] = {
    {"ID", hkId},
    {"NAME", hkName},
    {"DESCRIPTION", hkDescription},
    {"SHORT NAME", hkShortName},
    {"ON PERSONALBAR", hkOnPersonalBar},
    {"PERSONALBAR_POS", hkPersonalBarPos},
    {"TRASH FOLDER", hkTrashFolder},
    {"URL", hkUrl},
    {"CREATED", hkCreated},
    {"VISITED", hkVisited},
    {"ICONFILE", hkIconFile},
    {"ACTIVE", hkActive},
    {"IN PANEL", hkInPanel},
    {"PANEL_POS", hkPanelPos},
};

constexpr size_t LongestKeyText()
{
    size_t longest = 0;
    for (const KeyText& key : kKeyTexts) longest = std::max(longest, key.Text.size());
    return longest;
}
static_assert(kKeyWindow == 1 + LongestKeyText());

constexpr bool KeyLengthsMatch()
{
    for (const KeyText& key : kKeyTexts)
        if (kKeyTextLengths[key.Key] != key.Text.size()) return false;
    return true;
}
static_assert(KeyLengthsMatch());

// True when `line` holds `key` from its second character on and goes on
// after it.
template <size_t N>
bool HasKey(std::string_view line, const char (&key)[N])
{
    return line.size() > N - 1 && std::memcmp(line.data() + 1, key, N - 1) == 0;
}

// Where ReadUrlBlockKeepingTexts keeps the value of a text field.
TKeptText* KeptTextOf(TKeptUrlTexts& texts, THotlistKey key)
{
    switch (key) {
    case hkName: return &texts.Name;
    case hkUrl: return &texts.Url;
    case hkShortName: return &texts.ShortName;
    case hkDescription: return &texts.Description;
    case hkIconFile: return &texts.IconFile;
    default: return nullptr;
    }
}

// Stores a kept value into `url` as ReadUrlBlock would have stored it; a
// field the block did not hold is cleared.
void StoreKept(const TKeptText& text, THotlistKey key, TTansyBookmarkUrl& url)
{
    if (!text.Present) {
        StoreUrlValue({}, key, url);
        return;
    }
    TFieldLine field;
    field.Key = key;
    field.Value = text.Bytes;
    field.NeedsRoundTrip = text.NeedsRoundTrip;
    StoreUrlValue(AnsiValue(field), key, url);
}

// A block line that did not lie whole in the file's buffer, and one
// converted back to ANSI text: kept, so that blocks do not allocate per line.
AnsiString FieldLineSpill;
AnsiString FieldText;
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

THotlistKey ClassifyFieldLine(std::string_view line)
{
    // No key text is the beginning of another, so at most one matches; the
    // line's second character tells which can (the order above then does
    // not matter).
    if (line.size() < 2) return hkNone;
    switch (line[1]) {
    case 'A': return HasKey(line, "ACTIVE") ? hkActive : hkNone;
    case 'C': return HasKey(line, "CREATED") ? hkCreated : hkNone;
    case 'D': return HasKey(line, "DESCRIPTION") ? hkDescription : hkNone;
    case 'I':
        if (HasKey(line, "ID")) return hkId;
        if (HasKey(line, "ICONFILE")) return hkIconFile;
        return HasKey(line, "IN PANEL") ? hkInPanel : hkNone;
    case 'N': return HasKey(line, "NAME") ? hkName : hkNone;
    case 'O': return HasKey(line, "ON PERSONALBAR") ? hkOnPersonalBar : hkNone;
    case 'P':
        if (HasKey(line, "PERSONALBAR_POS")) return hkPersonalBarPos;
        return HasKey(line, "PANEL_POS") ? hkPanelPos : hkNone;
    case 'S': return HasKey(line, "SHORT NAME") ? hkShortName : hkNone;
    case 'T': return HasKey(line, "TRASH FOLDER") ? hkTrashFolder : hkNone;
    case 'U': return HasKey(line, "URL") ? hkUrl : hkNone;
    case 'V': return HasKey(line, "VISITED") ? hkVisited : hkNone;
    default: return hkNone;
    }
}

std::string_view FieldValue(std::string_view line)
{
    const size_t equals = line.find('=');
    return equals == std::string_view::npos ? line : line.substr(equals + 1);
}

TFieldLine ReadFieldLine(TTextFile& file, WideString& line, bool& lineBehind)
{
    bool ascii = false;
    FieldLineBytes = ReadTextLineInPlace(file, FieldLineSpill, &ascii);
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

void ReadDirBlock(TTextFile& file, WideString& line, TTansyBookmarkDir& dir)
{
    ClearBookmarkDir(dir);
    ReadBlockLines(file, line, [&](const TFieldLine& field) {
        if (field.Key != hkNone) StoreDirValue(AnsiValue(field), field.Key, dir);
    });
}

void ReadUrlBlock(TTextFile& file, WideString& line, TTansyBookmarkUrl& url)
{
    ClearBookmarkUrl(url);
    ReadBlockLines(file, line, [&](const TFieldLine& field) {
        if (field.Key != hkNone) StoreUrlValue(AnsiValue(field), field.Key, url);
    });
}

void ReadUrlBlockKeepingTexts(TTextFile& file, WideString& line, TTansyBookmarkUrl& url,
                              TKeptUrlTexts& texts)
{
    // The text fields are left for StoreKeptName and StoreKeptTexts to set.
    url.Active = false;
    url.OnPersonalBar = false;
    url.Id = url.PersonalBarPos = url.InPanel = url.PanelPos = 0;
    url.Created = url.Visited = 0;
    for (TKeptText* text : {&texts.Name, &texts.Url, &texts.ShortName, &texts.Description, &texts.IconFile})
        text->Present = false;
    ReadBlockLines(file, line, [&](const TFieldLine& field) {
        if (field.Key == hkNone) return;
        // Text fields never fail, so keeping them changes no outcome.
        if (TKeptText* text = KeptTextOf(texts, field.Key)) {
            text->Bytes.assign(field.Value);
            text->NeedsRoundTrip = field.NeedsRoundTrip;
            text->Present = true;
            return;
        }
        StoreUrlValue(AnsiValue(field), field.Key, url);
    });
}

void StoreKeptName(const TKeptUrlTexts& texts, TTansyBookmarkUrl& url)
{
    StoreKept(texts.Name, hkName, url);
}

void StoreKeptTexts(const TKeptUrlTexts& texts, TTansyBookmarkUrl& url)
{
    StoreKept(texts.Name, hkName, url);
    StoreKept(texts.Url, hkUrl, url);
    StoreKept(texts.ShortName, hkShortName, url);
    StoreKept(texts.Description, hkDescription, url);
    StoreKept(texts.IconFile, hkIconFile, url);
}
