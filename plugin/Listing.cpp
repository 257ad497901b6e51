// The listing exports: the listing's pass (ListingPass.cpp) on each
// listing's own walk, one entry per call, guarded against failures.
#include "Barrier.h"
#include "Listings.h"
#include "Passes.h"
#include "ScanState.h"
#include "TANSY_WFX.h"

namespace {

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
    started.Kept = FindFirstEntry(started.Listing.Walk, HotlistFileName, path, *findData);
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
    return FindNextEntry(listing->Walk, *findData);
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
