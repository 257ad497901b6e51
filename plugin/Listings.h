// The open listings. Hosts list a sub-folder while its parent's listing is
// still open (a recursive search, a size count) and may go back and forth
// between listings, so each listing has a walk of its own. Its handle is a
// small number: the lowest that no open listing holds.
//
// Resources stay bounded however deep the recursion and however many
// listings a host leaves open: a few file readers are shared out, and a
// listing whose reader went to another goes on from the place it had
// reached; the saved walks of listings not in use have a memory budget, past
// which the least recently used are given up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Walk.h"

// Open files the listings hold at most.
constexpr size_t kListingReaders = 4;
// Bytes the walks of listings not in use may hold together.
constexpr size_t kListingMemoryBudget = 16u << 20;

struct TListing {
    THotlistWalk Walk;         // Walk.Text: the reader it holds, or null
    bool Detached = false;     // its reader went to another: Place tells where to go on
    TTextPlace Place;
    uint64_t LastUse = 0;      // the listing table's clock at its last call
    size_t Footprint = 0;      // the bytes its walk held when its last call ended
};

enum TListingState : uint8_t { lsFree, lsOpen, lsReclaimed };

struct TListingSlot {
    TListingState State = lsFree;
    std::unique_ptr<TListing> Listing;  // while open
};

struct TListingTable {
    std::vector<TListingSlot> Slots;  // by handle number
    TTextFile Readers[kListingReaders];
    TListing* ReaderOwners[kListingReaders] = {};
    uint64_t Clock = 0;
    size_t Footprints = 0;  // of every open listing
};

extern TListingTable Listings;

// A new listing with a reader and a walk at the root, and its handle.
TListing& OpenListing(HANDLE& handle);
// The open listing of `handle`; null, with the last-error value set, for a
// handle that names none: ERROR_TOO_MANY_OPEN_FILES where the listing was
// given up, ERROR_INVALID_HANDLE where there never was one or it is closed.
TListing* FindListing(HANDLE handle);
// Gives the listing back a reader where its own went to another, open at the
// place its walk had reached. Raises the I/O failure when it cannot reopen.
void ResumeListing(TListing& listing);
// Ends a call on the listing: it becomes the most recently used, its walk
// gives back memory it no longer needs, and listings past the budget are
// given up.
void ParkListing(TListing& listing) noexcept;
// Closes the listing of `handle`, its file included; a handle that names no
// open listing closes nothing.
void CloseListing(HANDLE handle) noexcept;
// Closes every listing and releases the readers' buffers.
void CloseAllListings() noexcept;
