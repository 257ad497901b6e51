// Moving through the hotlist, for every pass: the line the pass stands on,
// and the folder it is in (CurPath, and for a listing CurDepth). Each move is
// written here once.
#pragma once

#include <string_view>

#include "PLUGIN_Main.h"
#include "ScanState.h"

// The line the pass stands on. Lines are compared whole, unit for unit.
inline bool OnFolderLine()
{
    return std::u16string_view(CurLine) == u"#FOLDER";
}

inline bool OnUrlLine()
{
    return std::u16string_view(CurLine) == u"#URL";
}

inline bool OnFolderEnd()
{
    return std::u16string_view(CurLine) == u"-";
}

inline void ReadNextLine()
{
    ReadHotlistLine(HotlistText, CurLine);
}

// Reads on to the next line that is not plain (ReadPastPlainLines): a pass
// reacts to no plain line. False when the file ended after a plain line.
inline bool ReadNextMarkedLine()
{
    return ReadPastPlainLines(HotlistText, CurLine);
}

// The folder the pass is in.
void StartAtRoot();
inline bool IsCurPath(std::u16string_view path)
{
    return path == std::u16string_view(CurPath);
}
// Reads the block of the folder whose line the pass stands on into `dir` and
// joins the folder's name, decoded for show, to CurPath.
void ReadFolderIntoPath(TTansyBookmarkDir& dir);
// The current folder's parent becomes the current folder.
void StepUpCurPath();

// The listing's moves, which count the depth as well.
void EnterPassedFolder(TTansyBookmarkDir& dir);
// A folder handed to the host: entered under the name the host shows for it,
// once its record is in the host's hands (JoinReturnedName).
void EnterReturnedFolder(TTansyBookmarkDir& dir);
void JoinReturnedName(const WIN32_FIND_DATAA& hostRecord);
void LeaveFolder();
// Entering where folder lines and "-" lines do not match up: "\" and the
// name are appended, without the joining test.
void AppendPassedFolder(TTansyBookmarkDir& dir);

// The host's path as a path of the virtual tree: hosts that write paths
// with another separator ("/News/Daily") have it taken as "\".
AnsiString VirtualPath(const char* hostPath);
