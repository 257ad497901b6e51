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
bool FindFirst(THotlistWalk& walk, const Char* path, FindData& findData)
{
    SetFindPath(walk, path);
    if (!StartPass(walk, HotlistFileName)) return NoEntries(walk);
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

template <class Char, class FindData>
HANDLE StartListing(const Char* path, FindData* findData)
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

template <class FindData>
BOOL ContinueListing(HANDLE handle, FindData* findData)
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

// What every listing export does around its work: while a properties box is
// up it answers busy, and a failure gives `failed` with the failure's code.
template <class Result, class Body>
Result ListingCall(Result failed, Body body)
{
    if (ScanBusy) {
        SetLastError(ERROR_BUSY);
        return failed;
    }
    return Guarded(body, [failed](DWORD code) {
        SetLastError(code);
        return failed;
    });
}

}  // namespace

HANDLE WINAPI FsFindFirst(char* Path, WIN32_FIND_DATAA* FindData)
{
    return ListingCall(INVALID_HANDLE_VALUE, [&] { return StartListing(Path, FindData); });
}

HANDLE WINAPI FsFindFirstW(WCHAR* Path, WIN32_FIND_DATAW* FindData)
{
    return ListingCall(INVALID_HANDLE_VALUE, [&] { return StartListing(Path, FindData); });
}

BOOL WINAPI FsFindNext(HANDLE Hdl, WIN32_FIND_DATAA* FindData)
{
    return ListingCall(FS_FIND_DONE, [&] { return ContinueListing(Hdl, FindData); });
}

BOOL WINAPI FsFindNextW(HANDLE Hdl, WIN32_FIND_DATAW* FindData)
{
    return ListingCall(FS_FIND_DONE, [&] { return ContinueListing(Hdl, FindData); });
}

// Closing a listing touches nothing of a properties scan, so it is done
// while a box is up too: a host that closes a listing then must not find it
// left open.
int WINAPI FsFindClose(HANDLE Hdl)
{
    CloseListing(Hdl);
    return 0;
}
