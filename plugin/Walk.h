// Moving through the hotlist, for every pass: the file it reads, the line it
// stands on, and the folder it is in (CurPath, and for a listing CurDepth).
// The passes move only through the steps below; each is written here once.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "PLUGIN_Main.h"

// One pass's place in the hotlist.
struct THotlistWalk {
    constexpr explicit THotlistWalk(TTextFile* text = nullptr) : Text(text) {}

    TTextFile* Text;  // the file the pass reads
    TNameForm Form = nfAnsi;  // how the pass decodes the names it joins to CurPath
    WideString CurLine;
    WideString CurPath;
    int32_t CurDepth = 0;
    int32_t ListDepth = 0;
    WideString FindPath;  // the listed folder's path, as CurPath spells it

    // CurPath's length before each join that leaving the folder undoes.
    std::vector<size_t> PathMarks;
    // Working storage of the path steps, kept so that they do not allocate.
    AnsiString PathText;  // CurPath narrowed, to find its parent
    AnsiString NameText;  // a passed folder's name decoded for show
    WideString NameWide;  // the same, widened
};

// ---- Starting and ending a pass -------------------------------------------

// The walk stands at the root, as after the library's start.
void StartAtRoot(THotlistWalk& walk);

// Opens the hotlist `name`, goes back to the root and steps over the file's
// header: CurLine is then the first entry line. False when the file holds
// none.
bool StartPass(THotlistWalk& walk, const ShortString& name);
// Closes the hotlist at the end of a pass; a failing close is raised.
void EndPass(THotlistWalk& walk);
// Leaves a pass that failed or was given up: the file closed, a failing close
// ignored, the walk back at the root at depth 0.
void AbandonPass(THotlistWalk& walk);

// ---- The line the pass stands on ------------------------------------------

// Lines are compared whole, unit for unit.
inline bool OnFolderLine(const THotlistWalk& walk)
{
    return std::u16string_view(walk.CurLine) == u"#FOLDER";
}

inline bool OnUrlLine(const THotlistWalk& walk)
{
    return std::u16string_view(walk.CurLine) == u"#URL";
}

inline bool OnFolderEnd(const THotlistWalk& walk)
{
    return std::u16string_view(walk.CurLine) == u"-";
}

inline void ReadNextLine(THotlistWalk& walk)
{
    ReadHotlistLine(*walk.Text, walk.CurLine);
}

// The lines a walk through folders reacts to. A pass that takes entries
// stops at every line that may be a marker (none named): it meets a
// bookmark's line at nearly every stop, and the plainest test is the fastest.
inline constexpr std::string_view kFolderMarkers[] = {"#FOLDER", "-"};
inline constexpr TLineMarkers kAnyMarker{};

// Reads on to the next line that may be one of `markers`, passing over the
// lines that cannot (ReadPastPlainLines). False when the file ended after a
// line passed over.
inline bool ReadNextMarkedLine(THotlistWalk& walk, TLineMarkers markers)
{
    return ReadPastPlainLines(*walk.Text, walk.CurLine, markers);
}

// The line read last is passed over: the walk stands on a blank, which is no
// marker and ends no block.
inline void PassOverLine(THotlistWalk& walk)
{
    walk.CurLine = u" ";
}

// True when no line is left to read (HotlistAtEnd).
inline bool AtFileEnd(THotlistWalk& walk)
{
    return HotlistAtEnd(*walk.Text);
}

// ---- Blocks ---------------------------------------------------------------

// The bookmark block under the line, read whole.
inline void ReadBookmark(THotlistWalk& walk, TTansyBookmarkUrl& url)
{
    ReadUrlBlock(*walk.Text, walk.CurLine, url);
}

// The bookmark block under the line with its text lines put aside in `kept`
// (ReadUrlBlockKeepingTexts).
inline void ReadBookmarkKeepingTexts(THotlistWalk& walk, TTansyBookmarkUrl& url, TKeptUrlTexts& kept)
{
    ReadUrlBlockKeepingTexts(*walk.Text, walk.CurLine, url, kept);
}

// The bookmark block under the line without its text fields
// (ReadUrlBlockWithoutTexts).
inline void ReadBookmarkWithoutTexts(THotlistWalk& walk, TTansyBookmarkUrl& url)
{
    ReadUrlBlockWithoutTexts(*walk.Text, walk.CurLine, url);
}

// ---- The folder the pass is in --------------------------------------------

inline bool IsCurPath(const THotlistWalk& walk, std::u16string_view path)
{
    return path == std::u16string_view(walk.CurPath);
}
// Reads the block of the folder under the line into `dir` and joins the
// folder's name, decoded for show, to CurPath.
void ReadFolderIntoPath(THotlistWalk& walk, TTansyBookmarkDir& dir);
// The current folder's parent becomes the current folder.
void StepUpCurPath(THotlistWalk& walk);

// The listing's moves, which count the depth as well.
void EnterPassedFolder(THotlistWalk& walk, TTansyBookmarkDir& dir);
// A folder handed to the host: its block read into `dir`, and the folder
// entered under the name its find data shows.
void EnterReturnedFolder(THotlistWalk& walk, TTansyBookmarkDir& dir);
void LeaveFolder(THotlistWalk& walk);
// Entering where folder lines and "-" lines do not match up: "\" and the
// name are appended, without the joining test.
void AppendPassedFolder(THotlistWalk& walk, TTansyBookmarkDir& dir);

// The host's path as a path of the virtual tree: hosts that write paths
// with another separator ("/News/Daily") have it taken as "\".
AnsiString VirtualPath(const char* hostPath);
WideString VirtualPath(const WCHAR* hostPath);
