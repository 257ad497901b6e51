// Steps shared by the passes over the hotlist: line kinds and the tracking
// of the virtual path of the folder a pass is inside.
#pragma once

#include <string_view>

#include "PLUGIN_Main.h"
#include "ScanState.h"

inline constexpr std::u16string_view kFolderMarker = u"#FOLDER";
inline constexpr std::u16string_view kUrlMarker = u"#URL";
inline constexpr std::u16string_view kSeparatorMarker = u"#SEPERATOR";
inline constexpr std::u16string_view kFolderEnd = u"-";

inline void ReadNextLine()
{
    ReadHotlistLine(HotlistText, CurLine);
}

// Reads the next line and on over lines that are neither a marker nor "-"
// and begin with no "#" (ReadPastPlainLines). False when the file ended after
// such a line.
inline bool ReadNextMarkedLine()
{
    return ReadPastPlainLines(HotlistText, CurLine);
}

// Appends a folder name to CurPath, with a "\" unless CurPath ends in one.
inline void JoinToCurPath(std::u16string_view name)
{
    if (CurPath.empty() || CurPath.back() != u'\\') CurPath += u'\\';
    CurPath += name;
}

// The current folder's parent becomes the current folder.
inline void StepUpCurPath()
{
    static AnsiString path;  // reused, so that leaving a folder allocates nothing
    AssignAnsiFromWide(path, CurPath);
    AssignWideFromAnsi(CurPath, std::string_view(path).substr(0, ParentPathLength(path)));
}

// The host's path as a path of the virtual tree: hosts that write paths
// with another separator ("/News/Daily") have it taken as "\".
inline AnsiString VirtualPath(const char* hostPath)
{
    AnsiString path = AnsiFromZString(hostPath);
    constexpr char separator = TANSY_HOST_PATH_SEPARATOR;
    if (separator != '\0' && !path.empty() && path[0] == separator) {
        for (char& c : path)
            if (c == separator) c = '\\';
    }
    return path;
}

// The name a folder that is passed over adds to the path: decoded for show.
// The text stays valid until the next call.
inline std::u16string_view ShownName(const AnsiString& utf8Name)
{
    static AnsiString decoded;
    static WideString shown;
    AssignAnsiFromUtf8(decoded, utf8Name);
    AssignWideFromAnsi(shown, decoded);
    return shown;
}
