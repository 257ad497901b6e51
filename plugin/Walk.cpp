#include "Walk.h"

#include "Failures.h"
#include "Platform.h"
#include "ScanState.h"

namespace {

bool HoldsBackslash(std::u16string_view name)
{
    return name.find(u'\\') != std::u16string_view::npos;
}

// True when ParentPath of CurPath, extended by `name` (with a "\" before it
// when `separator`), is CurPath as it is now. Then leaving the folder only
// cuts CurPath back, which costs nothing however deep the path is.
bool ParentIsCurPath(const WideString& curPath, bool separator, std::u16string_view name)
{
    if (HoldsBackslash(name) || curPath.empty()) return false;
    const bool endsInBackslash = curPath.back() == u'\\';
    if (separator) return !endsInBackslash;
    // The new last backslash is CurPath's own last one: the parent keeps it
    // only where it is the first character or follows another backslash.
    return endsInBackslash && (curPath.size() == 1 || curPath[curPath.size() - 2] == u'\\');
}

void ExtendCurPath(THotlistWalk& walk, bool separator, std::u16string_view name)
{
    if (ParentIsCurPath(walk.CurPath, separator, name))
        walk.PathMarks.push_back(walk.CurPath.size());
    else
        walk.PathMarks.clear();  // leaving this folder, and every one above it, finds the parent the long way
    if (separator) walk.CurPath += u'\\';
    walk.CurPath += name;
}

// Appends a folder name to CurPath, with a "\" unless CurPath ends in one.
void JoinToCurPath(THotlistWalk& walk, std::u16string_view name)
{
    ExtendCurPath(walk, walk.CurPath.empty() || walk.CurPath.back() != u'\\', name);
}

// The name a folder that is passed over adds to the path: decoded for show.
std::u16string_view ShownName(THotlistWalk& walk, const AnsiString& utf8Name)
{
    AssignAnsiFromUtf8(walk.NameText, utf8Name);
    AssignWideFromAnsi(walk.NameWide, walk.NameText);
    return walk.NameWide;
}

}  // namespace

void StartAtRoot(THotlistWalk& walk)
{
    walk.CurPath = u"\\";
    walk.PathMarks.clear();
}

bool StartPass(THotlistWalk& walk)
{
    StartAtRoot(walk);
    OpenTextForReading(*walk.Text, HotlistFileName);
    return SkipToFirstEntry(*walk.Text, walk.CurLine);
}

void EndPass(THotlistWalk& walk)
{
    CloseTextFile(*walk.Text);
}

void AbandonPass(THotlistWalk& walk)
{
    if (walk.Text->Mode == tfInput) {
        try {
            CloseTextFile(*walk.Text);
        } catch (const Exception&) {
            // The reader is closed either way; nothing is left to release.
        }
    }
    StartAtRoot(walk);
    walk.CurDepth = 0;
}

void ReadFolderIntoPath(THotlistWalk& walk, TTansyBookmarkDir& dir)
{
    ReadDirBlock(*walk.Text, walk.CurLine, dir);
    JoinToCurPath(walk, ShownName(walk, dir.Name));
}

void StepUpCurPath(THotlistWalk& walk)
{
    if (!walk.PathMarks.empty()) {
        walk.CurPath.resize(walk.PathMarks.back());
        walk.PathMarks.pop_back();
        return;
    }
    AssignAnsiFromWide(walk.PathText, walk.CurPath);
    AssignWideFromAnsi(walk.CurPath, ParentPath(walk.PathText));
}

void EnterPassedFolder(THotlistWalk& walk, TTansyBookmarkDir& dir)
{
    ++walk.CurDepth;
    ReadFolderIntoPath(walk, dir);
}

void EnterReturnedFolder(THotlistWalk& walk, WIN32_FIND_DATAA& record)
{
    TTansyBookmarkDir dir;
    ++walk.CurDepth;
    ReadDirBlock(*walk.Text, walk.CurLine, dir);
    record = {};
    DirToFindData(dir, record);
    JoinToCurPath(walk, WideFromCharArray(record.cFileName, MAX_PATH));
}

void LeaveFolder(THotlistWalk& walk)
{
    --walk.CurDepth;
    StepUpCurPath(walk);
}

void AppendPassedFolder(THotlistWalk& walk, TTansyBookmarkDir& dir)
{
    ++walk.CurDepth;
    ReadDirBlock(*walk.Text, walk.CurLine, dir);
    ExtendCurPath(walk, true, ShownName(walk, dir.Name));
}

AnsiString VirtualPath(const char* hostPath)
{
    AnsiString path = AnsiFromZString(hostPath);
    if (kHostPathSeparator == '\0' || path.empty() || path[0] != kHostPathSeparator) return path;
    // Such hosts name a folder with a closing separator in their recursive
    // operations ("/News/"); a "\" path keeps it, since "\A\" can name a
    // folder with an empty name.
    if (path.size() > 1 && path.back() == kHostPathSeparator) path.pop_back();
    for (char& c : path)
        if (c == kHostPathSeparator) c = '\\';
    return path;
}
