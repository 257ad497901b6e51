// The hotlist readers, the folder and bookmark records with their field
// parser, the find data of an entry, the properties text, and the lookup of
// the file manager's main window.
#pragma once

#include <cstdint>

#include "PLUGIN_Types.h"
#include "Text.h"
#include "TextFile.h"

HWND GetHostWindow();

// Line reading over the hotlist file.
void ReadHotlistLine(TTextFile& file, WideString& line);
bool HotlistAtEnd(TTextFile& file);
bool SkipToFirstEntry(TTextFile& file, WideString& line);

// Reads the next line like ReadHotlistLine, then reads on for as long as the
// line read is empty or begins with an ASCII character other than "#" and "-"
// and the input has not ended after it (HotlistAtEnd). Such a line equals no
// marker and begins with no "#", so a pass that reacts to nothing else passes
// over it; only the last line read is converted into `line`. False when the
// input ended after such a line.
bool ReadPastPlainLines(TTextFile& file, WideString& line);

enum THotlistKey : int32_t {
    hkNone = -1,
    hkId = 0,
    hkName = 1,
    hkShortName = 2,
    hkDescription = 3,
    hkOnPersonalBar = 4,
    hkPersonalBarPos = 5,
    hkInPanel = 6,
    hkPanelPos = 7,
    hkTrashFolder = 8,
    hkCreated = 9,
    hkVisited = 10,
    hkUrl = 11,
    hkIconFile = 12,
    hkActive = 13,
};

struct TTansyBookmarkDir {
    int32_t Id = 0;
    AnsiString Name;
    ShortString ShortName;
    WideString Description;
    bool OnPersonalBar = false;
    int32_t PersonalBarPos = 0;
    bool TrashFolder = false;
    uint32_t Created = 0;
    uint32_t Visited = 0;
};

struct TTansyBookmarkUrl {
    int32_t Id = 0;
    AnsiString Name;
    WideString Url;
    ShortString ShortName;
    WideString Description;
    WideString IconFile;
    bool Active = false;
    bool OnPersonalBar = false;
    int32_t PersonalBarPos = 0;
    int32_t InPanel = 0;  // a 32-bit boolean: -1 true, 0 false
    int32_t PanelPos = 0;
    uint32_t Created = 0;
    uint32_t Visited = 0;
};

// One line of a block as the block readers take it: its key and its value as
// ClassifyFieldLine and the field value of the line's ANSI text give them.
struct TFieldLine {
    THotlistKey Key = hkNone;
    std::string_view Value;       // valid until the next line is read
    bool NeedsRoundTrip = false;  // Value holds the bytes as read; see AnsiValue
    bool EndsBlock = false;       // the line is empty
};

// Reads the next line of a block. A line of ASCII text is its own ANSI text
// and is not converted; nor is a line whose key and first "=" lie in its
// leading ASCII bytes, as those come through the code page unchanged: then
// only its value has to go through the code page (NeedsRoundTrip). In both
// cases `line` is left behind (`lineBehind`) until CatchUpLine stores the
// line in it; otherwise the line is converted into it and back as the
// block readers convert it.
TFieldLine ReadFieldLine(TTextFile& file, WideString& line, bool& lineBehind);
void CatchUpLine(WideString& line);
// The value's ANSI text: the value itself, or the value widened and narrowed
// again through the code page. Valid until the next call.
std::string_view AnsiValue(const TFieldLine& field);

// Reads the lines of the block whose marker is in `line` up to its closing
// empty line (or the end of the input), handing each to `take`. Leaves `line`
// empty, or holding the line at which a failure left the block.
template <class Take>
void ReadBlockLines(TTextFile& file, WideString& line, Take take)
{
    if (line.empty()) return;
    bool lineBehind = false;
    try {
        for (;;) {
            const TFieldLine field = ReadFieldLine(file, line, lineBehind);
            take(field);
            if (field.EndsBlock) break;
        }
    } catch (...) {
        if (lineBehind) CatchUpLine(line);
        throw;
    }
    if (lineBehind) CatchUpLine(line);
}

THotlistKey ClassifyFieldLine(std::string_view line);
// The value of a field line: the text after its first "=", or the whole line.
std::string_view FieldValue(std::string_view line);

// The length of the key text of each key, by its value.
inline constexpr uint8_t kKeyTextLengths[hkActive + 1] = {2, 4, 10, 11, 14, 15, 8, 9, 12, 7, 7, 3, 8, 6};

// The length of the key text of `key` (0 for hkNone).
inline size_t KeyTextLength(THotlistKey key)
{
    return key >= 0 && key <= hkActive ? kKeyTextLengths[key] : 0;
}

// Where FieldValue(line) begins, for a line whose key is `key`: 0 when the
// line holds no "=".
inline size_t FieldValueStart(std::string_view line, THotlistKey key)
{
    // Where "=" follows the key at once, that is the first "=" unless the
    // indent is one: no key text holds an "=".
    const size_t afterKey = 1 + KeyTextLength(key);
    if (key != hkNone && line.size() > afterKey && line[afterKey] == '=' && line[0] != '=') return afterKey + 1;
    const size_t equals = line.find('=');
    return equals == std::string_view::npos ? 0 : equals + 1;
}
// The characters of a line that ClassifyFieldLine looks at: the indent and
// the longest key text.
constexpr size_t kKeyWindow = 1 + 15;
void ClearBookmarkDir(TTansyBookmarkDir& dir);
void ClearBookmarkUrl(TTansyBookmarkUrl& url);
void ApplyDirField(std::string_view line, THotlistKey key, TTansyBookmarkDir& dir);
void ApplyUrlField(std::string_view line, THotlistKey key, TTansyBookmarkUrl& url);
// The second halves of ApplyDirField and ApplyUrlField: store a field value.
void StoreDirValue(std::string_view value, THotlistKey key, TTansyBookmarkDir& dir);
void StoreUrlValue(std::string_view value, THotlistKey key, TTansyBookmarkUrl& url);
void ReadDirBlock(TTextFile& file, WideString& line, TTansyBookmarkDir& dir);
void ReadUrlBlock(TTextFile& file, WideString& line, TTansyBookmarkUrl& url);

// The text fields of a bookmark block kept as read, for a pass that needs
// them for few bookmarks only.
struct TKeptText {
    AnsiString Bytes;
    bool NeedsRoundTrip = false;
    bool Present = false;
};
struct TKeptUrlTexts {
    TKeptText Name, Url, ShortName, Description, IconFile;
};
// ReadUrlBlock, but the text fields (Name, Url, ShortName, Description,
// IconFile) are kept in `texts` and left in `url` as they were; every other
// field is stored, and fails, as ReadUrlBlock stores it.
void ReadUrlBlockKeepingTexts(TTextFile& file, WideString& line, TTansyBookmarkUrl& url,
                              TKeptUrlTexts& texts);
// Stores the kept Name into `url` as ReadUrlBlock would have stored it.
void StoreKeptName(const TKeptUrlTexts& texts, TTansyBookmarkUrl& url);
// Stores every kept text field into `url`: the record is then the one
// ReadUrlBlock would have read.
void StoreKeptTexts(const TKeptUrlTexts& texts, TTansyBookmarkUrl& url);

void DirToFindData(const TTansyBookmarkDir& dir, WIN32_FIND_DATAA& findData);
void UrlToFindData(const TTansyBookmarkUrl& url, WIN32_FIND_DATAA& findData);

WideString FormatBookmarkProperties(const TTansyBookmarkUrl& url);
