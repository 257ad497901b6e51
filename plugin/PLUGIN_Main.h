// The hotlist readers, the folder and bookmark records with their field
// parser, the find data of an entry, the properties text, and the lookup of
// the file manager's main window. Implemented by HostWindow.cpp,
// HotlistLines.cpp, FieldLines.cpp, Records.cpp, Blocks.cpp and
// PropertiesText.cpp.
#pragma once

#include <cstdint>
#include <string_view>

#include "PLUGIN_Types.h"
#include "Text.h"
#include "TextFile.h"

HWND GetHostWindow();

// The form in which names reach the host: ANSI text of the system's code
// page, or UTF-16 decoded from the file's UTF-8 without loss. Paths (CurPath)
// hold names widened from the one or as the other.
enum TNameForm : uint8_t { nfAnsi, nfWide };

// Line reading over the hotlist file.
void ReadHotlistLine(TTextFile& file, WideString& line);
bool HotlistAtEnd(TTextFile& file);
bool SkipToFirstEntry(TTextFile& file, WideString& line);

// Reads the next line like ReadHotlistLine, then reads on for as long as the
// line read is plain (IsPlainLine) and the input has not ended after it
// (HotlistAtEnd). By default a plain line is empty or begins with an ASCII
// character other than "#" and "-": it equals no marker and begins with no
// "#". A pass that names the `markers` it reacts to has every line passed
// over that can convert to none of them. Only the last line read is converted
// into `line`. False when the input ended after a plain line.
bool ReadPastPlainLines(TTextFile& file, WideString& line, TLineMarkers markers = {});

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

THotlistKey ClassifyFieldLine(std::string_view line);
// The value of a field line: the text after its first "=", or the whole line.
std::string_view FieldValue(std::string_view line);

void ClearBookmarkDir(TTansyBookmarkDir& dir);
void ClearBookmarkUrl(TTansyBookmarkUrl& url);
void ApplyDirField(std::string_view line, THotlistKey key, TTansyBookmarkDir& dir);
void ApplyUrlField(std::string_view line, THotlistKey key, TTansyBookmarkUrl& url);
void ReadDirBlock(TTextFile& file, WideString& line, TTansyBookmarkDir& dir);
void ReadUrlBlock(TTextFile& file, WideString& line, TTansyBookmarkUrl& url);

// The text-field lines of one bookmark block, as ANSI text; empty where the
// block holds none (a field line never is).
struct TKeptUrlTexts {
    AnsiString Name;
    AnsiString Url;
    AnsiString ShortName;
    AnsiString Description;
    AnsiString IconFile;
};

// ReadUrlBlock for a pass that needs the text fields of few bookmarks only:
// the lines of Name, Url, ShortName, Description and IconFile are kept in
// `kept` and those fields left empty; every other field is stored, and
// fails, as ReadUrlBlock stores it.
void ReadUrlBlockKeepingTexts(TTextFile& file, WideString& line, TTansyBookmarkUrl& url, TKeptUrlTexts& kept);
// The same for a bookmark whose text fields are not needed at all: they are
// left empty, and nothing is kept.
void ReadUrlBlockWithoutTexts(TTextFile& file, WideString& line, TTansyBookmarkUrl& url);
// Applies the kept Name line to `url`, as ReadUrlBlock would have.
void StoreKeptName(const TKeptUrlTexts& kept, TTansyBookmarkUrl& url);
// Applies every kept line: `url` is then the record ReadUrlBlock would have read.
void StoreKeptTexts(const TKeptUrlTexts& kept, TTansyBookmarkUrl& url);

void DirToFindData(const TTansyBookmarkDir& dir, WIN32_FIND_DATAA& findData);
void UrlToFindData(const TTansyBookmarkUrl& url, WIN32_FIND_DATAA& findData);
// The same with the name in UTF-16.
void DirToFindData(const TTansyBookmarkDir& dir, WIN32_FIND_DATAW& findData);
void UrlToFindData(const TTansyBookmarkUrl& url, WIN32_FIND_DATAW& findData);
// The name an entry's find data shows, in `form`, as CurPath joins it.
WideString ShownEntryName(std::string_view utf8Name, TNameForm form);

// The eleven lines of a bookmark's properties box; in the ANSI form its
// texts go through the code page, in the wide form they are decoded whole.
WideString FormatBookmarkProperties(const TTansyBookmarkUrl& url, TNameForm form = nfAnsi);
