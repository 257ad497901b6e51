// The listing exports: a forward walk over the hotlist that finds the
// requested folder and hands its entries to the host one per call.
#include "Barrier.h"
#include "TANSY_WFX.h"
#include "Walk.h"

namespace {

// The constant handle of the one listing there can be.
const HANDLE kListingHandle = nullptr;

enum TSeekResult { srEntry, srFolderEnd, srFileEnd };

// Hands the folder or bookmark whose marker is in CurLine to the host. A
// returned folder is entered under the name the host now shows for it.
void ReturnEntry(WIN32_FIND_DATAA& hostRecord)
{
    WIN32_FIND_DATAA record = {};
    if (OnFolderLine()) {
        TTansyBookmarkDir dir;
        EnterReturnedFolder(dir);
        DirToFindData(dir, record);
        hostRecord = record;
        JoinReturnedName(hostRecord);
    } else {
        TTansyBookmarkUrl url;
        ReadUrlBlock(HotlistText, CurLine, url);
        UrlToFindData(url, record);
        hostRecord = record;
    }
}

// Reads on from CurLine to the listed folder's next folder or bookmark line.
// Empty lines, separator blocks, field lines and unknown "#" lines are passed
// over; a marker on the file's last line is not an entry.
TSeekResult SeekEntry()
{
    for (;;) {
        if (OnFolderLine() || OnUrlLine()) return srEntry;
        if (!ReadNextMarkedLine()) return srFileEnd;
        if (HotlistAtEnd(HotlistText)) return srFileEnd;
        if (OnFolderEnd()) return srFolderEnd;
    }
}

// Reads on from CurLine, entering and leaving the folders it meets, until
// CurPath is `path`. False when the file ends first.
bool WalkToPath(const WideString& path)
{
    TTansyBookmarkDir dir;
    while (!IsCurPath(path)) {
        if (OnFolderLine())
            EnterPassedFolder(dir);
        else if (OnFolderEnd())
            LeaveFolder();
        if (HotlistAtEnd(HotlistText)) return false;
        // Lines that change nothing are passed over at once, unless the walk
        // stops at the next line, whatever it is.
        if (IsCurPath(path))
            ReadNextLine();
        else if (!ReadNextMarkedLine())
            return false;
    }
    return true;
}

// Back to the listed folder's depth where folder lines and "-" lines do not
// match up. False when the file ends first.
bool ReturnToListDepth()
{
    TTansyBookmarkDir dir;
    while (CurDepth != ListDepth) {
        if (HotlistAtEnd(HotlistText)) return false;
        ReadNextLine();
        if (OnFolderLine()) AppendPassedFolder(dir);
        if (OnFolderEnd()) LeaveFolder();
    }
    return true;
}

// The folder was not found, is empty, or the file holds no entry.
HANDLE NoEntries()
{
    CloseTextFile(HotlistText);
    SetLastError(ERROR_NO_MORE_FILES);
    return INVALID_HANDLE_VALUE;
}

HANDLE FindFirst(const char* path, WIN32_FIND_DATAA* findData)
{
    StartAtRoot();
    SetLastError(ERROR_NO_MORE_FILES);
    FindPath = VirtualPath(path);
    if (findData == nullptr) {
        // The host closes no listing whose start failed: a file that an
        // unclosed earlier listing holds open is released here.
        CloseHotlistQuietly();
        CurDepth = 0;
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    OpenTextForReading(HotlistText, HotlistFileName);
    if (!SkipToFirstEntry(HotlistText, CurLine)) return NoEntries();
    if (!WalkToPath(WideFromAnsi(FindPath))) return NoEntries();

    // The requested folder is reached; CurLine is its first line.
    ListDepth = CurDepth;
    if (OnFolderEnd()) {
        LeaveFolder();
        return NoEntries();
    }
    switch (SeekEntry()) {
    case srEntry: break;
    case srFolderEnd: LeaveFolder(); return NoEntries();
    case srFileEnd: return NoEntries();
    }
    ReturnEntry(*findData);
    return kListingHandle;
}

BOOL FindNext(WIN32_FIND_DATAA* findData)
{
    if (findData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FS_FIND_DONE;
    }
    if (HotlistAtEnd(HotlistText)) return FS_FIND_DONE;
    // Only a listing that ended at its folder's "-" stands on that line: it
    // stays ended rather than going on with the parent folder's entries.
    if (OnFolderEnd()) return FS_FIND_DONE;

    // Through the contents of the folder returned last.
    if (!WalkToPath(WideFromAnsi(FindPath))) return FS_FIND_DONE;
    CurLine = u" ";
    if (!ReturnToListDepth()) return FS_FIND_DONE;
    if (SeekEntry() != srEntry) return FS_FIND_DONE;
    ReturnEntry(*findData);
    return FS_FIND_MORE;
}

}  // namespace

HANDLE WINAPI FsFindFirst(char* Path, WIN32_FIND_DATAA* FindData)
{
    if (ScanBusy) {
        SetLastError(ERROR_BUSY);
        return INVALID_HANDLE_VALUE;
    }
    return Guarded([&] { return FindFirst(Path, FindData); },
                   [](DWORD code) {
                       CloseHotlistQuietly();
                       StartAtRoot();
                       CurDepth = 0;
                       SetLastError(code);
                       return INVALID_HANDLE_VALUE;
                   });
}

BOOL WINAPI FsFindNext(HANDLE, WIN32_FIND_DATAA* FindData)
{
    if (ScanBusy) {
        SetLastError(ERROR_BUSY);
        return FS_FIND_DONE;
    }
    return Guarded([&] { return FindNext(FindData); },
                   [](DWORD code) {
                       SetLastError(code);
                       return FS_FIND_DONE;
                   });
}

int WINAPI FsFindClose(HANDLE)
{
    if (ScanBusy) return 0;
    CloseHotlistQuietly();
    CurDepth = 0;
    StartAtRoot();
    return 0;
}
