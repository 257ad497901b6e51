// The listing exports: a forward walk over the hotlist that finds the
// requested folder and hands its entries to the host one per call.
#include "Barrier.h"
#include "Listings.h"
#include "ScanState.h"
#include "TANSY_WFX.h"
#include "Walk.h"

namespace {

enum TSeekResult { srEntry, srFolderEnd, srFileEnd };

// Hands the folder or bookmark whose marker is the walk's line to the host.
// A returned folder is entered under the name the host now shows for it.
void ReturnEntry(THotlistWalk& walk, WIN32_FIND_DATAA& hostRecord)
{
    WIN32_FIND_DATAA record = {};
    if (OnFolderLine(walk)) {
        EnterReturnedFolder(walk, record);
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
        if (!ReadNextMarkedLine(walk)) return srFileEnd;
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
        else if (!ReadNextMarkedLine(walk))
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

// Starts the listing of `path` on the walk; true when its first entry is in
// `findData`.
bool FindFirst(THotlistWalk& walk, const char* path, WIN32_FIND_DATAA& findData)
{
    walk.FindPath = WideFromAnsi(VirtualPath(path));
    if (!StartPass(walk)) return NoEntries(walk);
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

BOOL FindNext(THotlistWalk& walk, WIN32_FIND_DATAA& findData)
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

// A listing just started: closed again, its file too, unless it is kept.
struct TNewListing {
    HANDLE Handle = INVALID_HANDLE_VALUE;
    TListing& Listing = OpenListing(Handle);
    bool Kept = false;

    ~TNewListing()
    {
        if (Kept)
            ParkListing(Listing);
        else
            CloseListing(Handle);
    }
};

HANDLE StartListing(const char* path, WIN32_FIND_DATAA* findData)
{
    SetLastError(ERROR_NO_MORE_FILES);
    if (findData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    TNewListing started;
    started.Kept = FindFirst(started.Listing.Walk, path, *findData);
    return started.Kept ? started.Handle : INVALID_HANDLE_VALUE;
}

// A call on an open listing: parked again however it ends.
struct TListingCall {
    TListing& Listing;
    ~TListingCall() { ParkListing(Listing); }
};

BOOL ContinueListing(HANDLE handle, WIN32_FIND_DATAA* findData)
{
    TListing* listing = FindListing(handle);
    if (listing == nullptr) return FS_FIND_DONE;
    if (findData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FS_FIND_DONE;
    }
    const TListingCall call{*listing};
    ResumeListing(*listing);
    return FindNext(listing->Walk, *findData);
}

}  // namespace

HANDLE WINAPI FsFindFirst(char* Path, WIN32_FIND_DATAA* FindData)
{
    if (ScanBusy) {
        SetLastError(ERROR_BUSY);
        return INVALID_HANDLE_VALUE;
    }
    return Guarded([&] { return StartListing(Path, FindData); },
                   [](DWORD code) {
                       SetLastError(code);
                       return INVALID_HANDLE_VALUE;
                   });
}

BOOL WINAPI FsFindNext(HANDLE Hdl, WIN32_FIND_DATAA* FindData)
{
    if (ScanBusy) {
        SetLastError(ERROR_BUSY);
        return FS_FIND_DONE;
    }
    return Guarded([&] { return ContinueListing(Hdl, FindData); },
                   [](DWORD code) {
                       SetLastError(code);
                       return FS_FIND_DONE;
                   });
}

int WINAPI FsFindClose(HANDLE Hdl)
{
    if (ScanBusy) return 0;
    CloseListing(Hdl);
    return 0;
}
