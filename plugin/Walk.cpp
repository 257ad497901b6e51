#include "Walk.h"

#include "HotlistReader.h"
#include "Platform.h"

namespace {

bool HoldsBackslash(std::u16string_view name)
{
    return name.find(u'\\') != std::u16string_view::npos;
}

// True when ParentPath of CurPath, extended by `name` (with a "\" before it
// when `separator`), is CurPath as it is now. Then leaving the folder only
// cuts CurPath back, which costs nothing however deep the path is.
bool ParentIsCurPath(bool separator, std::u16string_view name)
{
    if (HoldsBackslash(name) || CurPath.empty()) return false;
    const bool endsInBackslash = CurPath.back() == u'\\';
    if (separator) return !endsInBackslash;
    // The new last backslash is CurPath's own last one: the parent keeps it
    // only where it is the first character or follows another backslash.
    return endsInBackslash && (CurPath.size() == 1 || CurPath[CurPath.size() - 2] == u'\\');
}

void ExtendCurPath(bool separator, std::u16string_view name)
{
    std::vector<size_t>& marks = HotlistReader.PathMarks;
    if (ParentIsCurPath(separator, name))
        marks.push_back(CurPath.size());
    else
        marks.clear();  // leaving this folder, and every one above it, finds the parent the long way
    if (separator) CurPath += u'\\';
    CurPath += name;
}

// Appends a folder name to CurPath, with a "\" unless CurPath ends in one.
void JoinToCurPath(std::u16string_view name)
{
    ExtendCurPath(CurPath.empty() || CurPath.back() != u'\\', name);
}

// The name a folder that is passed over adds to the path: decoded for show.
std::u16string_view ShownName(const AnsiString& utf8Name)
{
    THotlistReader& reader = HotlistReader;
    AssignAnsiFromUtf8(reader.NameText, utf8Name);
    AssignWideFromAnsi(reader.NameWide, reader.NameText);
    return reader.NameWide;
}

}  // namespace

void StartAtRoot()
{
    CurPath = u"\\";
    HotlistReader.PathMarks.clear();
}

void ReadFolderIntoPath(TTansyBookmarkDir& dir)
{
    ReadDirBlock(HotlistText, CurLine, dir);
    JoinToCurPath(ShownName(dir.Name));
}

void StepUpCurPath()
{
    THotlistReader& reader = HotlistReader;
    if (!reader.PathMarks.empty()) {
        CurPath.resize(reader.PathMarks.back());
        reader.PathMarks.pop_back();
        return;
    }
    AssignAnsiFromWide(reader.PathText, CurPath);
    AssignWideFromAnsi(CurPath, ParentPath(reader.PathText));
}

void EnterPassedFolder(TTansyBookmarkDir& dir)
{
    ++CurDepth;
    ReadFolderIntoPath(dir);
}

void EnterReturnedFolder(TTansyBookmarkDir& dir)
{
    ++CurDepth;
    ReadDirBlock(HotlistText, CurLine, dir);
}

void JoinReturnedName(const WIN32_FIND_DATAA& hostRecord)
{
    JoinToCurPath(WideFromCharArray(hostRecord.cFileName, MAX_PATH));
}

void LeaveFolder()
{
    --CurDepth;
    StepUpCurPath();
}

void AppendPassedFolder(TTansyBookmarkDir& dir)
{
    ++CurDepth;
    ReadDirBlock(HotlistText, CurLine, dir);
    ExtendCurPath(true, ShownName(dir.Name));
}

AnsiString VirtualPath(const char* hostPath)
{
    AnsiString path = AnsiFromZString(hostPath);
    if (kHostPathSeparator != '\0' && !path.empty() && path[0] == kHostPathSeparator) {
        for (char& c : path)
            if (c == kHostPathSeparator) c = '\\';
    }
    return path;
}
