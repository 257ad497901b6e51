// The listing's pass: a forward walk over the hotlist that finds the
// requested folder and reads its entries, one per step.
#include "Passes.h"

namespace {

enum TSeekResult { srEntry, srFolderEnd, srFileEnd };

// Hands the folder or bookmark whose marker is the walk's line to the host.
// A returned folder is entered under the name the host now shows for it.
template <class FindData>
void ReturnEntry(THotlistWalk& walk, FindData& hostRecord)
{
    FindData record = {};
    if (OnFolderLine(walk)) {
        TTansyBookmarkDir dir;
        EnterReturnedFolder(walk, dir);
        DirToFindData(dir, record);
    } else {
        TTansyBookmarkUrl url;
        ReadBookmark(walk, url);
        UrlToFindData(url, record);
    }
    hostRecord = record;
}

// Reads on from the line to the listed folder's next folder or bookmark line.
// Empty lines, separator blocks, field lines and unknown "#" lines are passed
// over; a marker on the file's last line is not an entry.
TSeekResult SeekEntry(THotlistWalk& walk)
{
    for (;;) {
        if (OnFolderLine(walk) || OnUrlLine(walk)) return srEntry;
        if (!ReadNextMarkedLine(walk, kAnyMarker)) return srFileEnd;
        if (AtFileEnd(walk)) return srFileEnd;
        if (OnFolderEnd(walk)) return srFolderEnd;
    }
}

// Reads on from the line, entering and leaving the folders it meets, until
// CurPath is the listed path. False when the file ends first.
bool WalkToFindPath(THotlistWalk& walk)
{
    TTansyBookmarkDir dir;
    while (!IsCurPath(walk, walk.FindPath)) {
        if (OnFolderLine(walk))
            EnterPassedFolder(walk, dir);
        else if (OnFolderEnd(walk))
            LeaveFolder(walk);
        if (AtFileEnd(walk)) return false;
        // Lines that change nothing are passed over at once, unless the walk
        // stops at the next line, whatever it is.
        if (IsCurPath(walk, walk.FindPath))
            ReadNextLine(walk);
        else if (!ReadNextMarkedLine(walk, kFolderMarkers))
            return false;
    }
    return true;
}

// Back to the listed folder's depth where folder lines and "-" lines do not
// match up. False when the file ends first.
bool ReturnToListDepth(THotlistWalk& walk)
{
    TTansyBookmarkDir dir;
    while (walk.CurDepth != walk.ListDepth) {
        if (AtFileEnd(walk)) return false;
        ReadNextLine(walk);
        if (OnFolderLine(walk)) AppendPassedFolder(walk, dir);
        if (OnFolderEnd(walk)) LeaveFolder(walk);
    }
    return true;
}

// The folder was not found, is empty, or the file holds no entry.
bool NoEntries(THotlistWalk& walk)
{
    EndPass(walk);
    SetLastError(ERROR_NO_MORE_FILES);
    return false;
}

// The host's path as the walk compares it with CurPath, and the form of
// names that goes with it.
void SetFindPath(THotlistWalk& walk, const char* path)
{
    walk.Form = nfAnsi;
    walk.FindPath = WideFromAnsi(VirtualPath(path));
}

void SetFindPath(THotlistWalk& walk, const WCHAR* path)
{
    walk.Form = nfWide;
    walk.FindPath = VirtualPath(path);
}

// Starts the listing of `path` on the walk; true when its first entry is in
// `findData`.
template <class Char, class FindData>
bool FindFirst(THotlistWalk& walk, const ShortString& file, const Char* path, FindData& findData)
{
    SetFindPath(walk, path);
    if (!StartPass(walk, file)) return NoEntries(walk);
    if (!WalkToFindPath(walk)) return NoEntries(walk);

    // The requested folder is reached; the line is its first line.
    walk.ListDepth = walk.CurDepth;
    if (OnFolderEnd(walk)) {
        LeaveFolder(walk);
        return NoEntries(walk);
    }
    switch (SeekEntry(walk)) {
    case srEntry: break;
    case srFolderEnd: LeaveFolder(walk); return NoEntries(walk);
    case srFileEnd: return NoEntries(walk);
    }
    ReturnEntry(walk, findData);
    return true;
}

template <class FindData>
BOOL FindNext(THotlistWalk& walk, FindData& findData)
{
    if (AtFileEnd(walk)) return FS_FIND_DONE;
    // Only a listing that ended at its folder's "-" stands on that line: it
    // stays ended rather than going on with the parent folder's entries.
    if (OnFolderEnd(walk)) return FS_FIND_DONE;

    // Through the contents of the folder returned last.
    if (!WalkToFindPath(walk)) return FS_FIND_DONE;
    // The line after the returned folder's "-" is not looked at.
    PassOverLine(walk);
    if (!ReturnToListDepth(walk)) return FS_FIND_DONE;
    if (SeekEntry(walk) != srEntry) return FS_FIND_DONE;
    ReturnEntry(walk, findData);
    return FS_FIND_MORE;
}

}  // namespace

bool FindFirstEntry(THotlistWalk& walk, const ShortString& file, const char* path, WIN32_FIND_DATAA& findData)
{
    return FindFirst(walk, file, path, findData);
}

bool FindFirstEntry(THotlistWalk& walk, const ShortString& file, const WCHAR* path, WIN32_FIND_DATAW& findData)
{
    return FindFirst(walk, file, path, findData);
}

BOOL FindNextEntry(THotlistWalk& walk, WIN32_FIND_DATAA& findData)
{
    return FindNext(walk, findData);
}

BOOL FindNextEntry(THotlistWalk& walk, WIN32_FIND_DATAW& findData)
{
    return FindNext(walk, findData);
}
