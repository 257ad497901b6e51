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
void ClearBookmarkDir(TTansyBookmarkDir& dir);
void ClearBookmarkUrl(TTansyBookmarkUrl& url);
void ApplyDirField(std::string_view line, THotlistKey key, TTansyBookmarkDir& dir);
void ApplyUrlField(std::string_view line, THotlistKey key, TTansyBookmarkUrl& url);
void ReadDirBlock(TTextFile& file, WideString& line, TTansyBookmarkDir& dir);
void ReadUrlBlock(TTextFile& file, WideString& line, TTansyBookmarkUrl& url);

void DirToFindData(const TTansyBookmarkDir& dir, WIN32_FIND_DATAA& findData);
void UrlToFindData(const TTansyBookmarkUrl& url, WIN32_FIND_DATAA& findData);

WideString FormatBookmarkProperties(const TTansyBookmarkUrl& url);
