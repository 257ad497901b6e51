#include "Listings.h"

#include "Failures.h"
#include "ScanState.h"

namespace {

HANDLE HandleOf(size_t number)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(number));
}

// The slot a handle names, or null.
TListingSlot* SlotOf(HANDLE handle)
{
    const intptr_t number = reinterpret_cast<intptr_t>(handle);
    if (number < 0 || static_cast<uintptr_t>(number) >= Listings.Slots.size()) return nullptr;
    return &Listings.Slots[static_cast<size_t>(number)];
}

template <class Text>
size_t BytesOf(const Text& text)
{
    return text.capacity() * sizeof(typename Text::value_type);
}

size_t FootprintOf(const TListing& listing)
{
    const THotlistWalk& walk = listing.Walk;
    return sizeof(TListing) + BytesOf(walk.CurLine) + BytesOf(walk.CurPath) + BytesOf(walk.FindPath) +
           BytesOf(walk.PathText) + BytesOf(walk.NameText) + BytesOf(walk.NameWide) +
           walk.PathMarks.capacity() * sizeof(size_t);
}

// A text that held a long line or path once need not keep its room.
template <class Text>
void Trim(Text& text)
{
    constexpr size_t kKeptRoom = 1024;
    if (text.capacity() > kKeptRoom && text.capacity() > 2 * text.size()) text.shrink_to_fit();
}

// Memory the walk needs only while it moves. The marks are a shortcut:
// without them leaving a folder finds the parent from the path itself.
void TrimWalk(THotlistWalk& walk)
{
    Trim(walk.CurLine);
    Trim(walk.CurPath);
    Trim(walk.FindPath);
    Trim(walk.PathText);
    Trim(walk.NameText);
    Trim(walk.NameWide);
    if (walk.PathMarks.capacity() > 1024) walk.PathMarks = std::vector<size_t>();
}

void CloseQuietly(TTextFile& reader)
{
    if (reader.Mode != tfInput) return;
    try {
        CloseTextFile(reader);
    } catch (const Exception&) {
        // The reader is closed either way.
    }
}

// The listing's reader goes back to the pool, its file closed; the listing
// keeps the place its walk had reached.
void DetachReader(TListing& listing)
{
    TTextFile* reader = listing.Walk.Text;
    if (reader == nullptr) return;
    if (reader->Mode == tfInput && !listing.Detached) {
        listing.Place = TextPlace(*reader);
        listing.Detached = true;
    }
    CloseQuietly(*reader);
    Listings.ReaderOwners[reader - Listings.Readers] = nullptr;
    listing.Walk.Text = nullptr;
}

// A free reader for `listing`, or the one whose holder was used longest ago.
void GiveReader(TListing& listing)
{
    size_t chosen = 0;
    for (size_t i = 0; i < kListingReaders; ++i) {
        TListing* owner = Listings.ReaderOwners[i];
        if (owner == nullptr) {
            chosen = i;
            break;
        }
        if (owner->LastUse < Listings.ReaderOwners[chosen]->LastUse) chosen = i;
    }
    if (TListing* owner = Listings.ReaderOwners[chosen]) DetachReader(*owner);
    Listings.ReaderOwners[chosen] = &listing;
    listing.Walk.Text = &Listings.Readers[chosen];
}

// Frees the listing's reader and state; the slot becomes `state`.
void ReleaseSlot(TListingSlot& slot, TListingState state)
{
    if (slot.Listing) {
        DetachReader(*slot.Listing);
        Listings.Footprints -= slot.Listing->Footprint;
        slot.Listing.reset();
    }
    slot.State = state;
}

// Gives up the least recently used listings other than `kept` until the
// others fit in the budget.
void KeepToBudget(const TListing& kept)
{
    while (Listings.Footprints - kept.Footprint > kListingMemoryBudget) {
        TListingSlot* oldest = nullptr;
        for (TListingSlot& slot : Listings.Slots)
            if (slot.Listing && slot.Listing.get() != &kept &&
                (oldest == nullptr || slot.Listing->LastUse < oldest->Listing->LastUse))
                oldest = &slot;
        if (oldest == nullptr) return;
        ReleaseSlot(*oldest, lsReclaimed);
    }
}

}  // namespace

TListing& OpenListing(HANDLE& handle)
{
    size_t number = 0;
    while (number < Listings.Slots.size() && Listings.Slots[number].State != lsFree) ++number;
    if (number == Listings.Slots.size()) Listings.Slots.emplace_back();
    TListingSlot& slot = Listings.Slots[number];
    slot.Listing = std::make_unique<TListing>();
    slot.State = lsOpen;
    TListing& listing = *slot.Listing;
    listing.LastUse = ++Listings.Clock;
    StartAtRoot(listing.Walk);
    GiveReader(listing);
    handle = HandleOf(number);
    return listing;
}

TListing* FindListing(HANDLE handle)
{
    const TListingSlot* slot = SlotOf(handle);
    if (slot != nullptr && slot->State == lsOpen) return slot->Listing.get();
    SetLastError(slot != nullptr && slot->State == lsReclaimed ? ERROR_TOO_MANY_OPEN_FILES : ERROR_INVALID_HANDLE);
    return nullptr;
}

void ResumeListing(TListing& listing)
{
    listing.LastUse = ++Listings.Clock;
    if (listing.Walk.Text == nullptr) GiveReader(listing);
    if (!listing.Detached) return;
    OpenTextAt(*listing.Walk.Text, HotlistFileName, listing.Place);
    listing.Detached = false;
}

void ParkListing(TListing& listing) noexcept
{
    try {
        TrimWalk(listing.Walk);
    } catch (...) {
        // Trimming is only an economy.
    }
    Listings.Footprints -= listing.Footprint;
    listing.Footprint = FootprintOf(listing);
    Listings.Footprints += listing.Footprint;
    KeepToBudget(listing);
}

void CloseListing(HANDLE handle) noexcept
{
    if (TListingSlot* slot = SlotOf(handle); slot != nullptr && slot->State != lsFree) ReleaseSlot(*slot, lsFree);
    // Free slots at the end are dropped, so the table does not keep the
    // size of the deepest recursion.
    while (!Listings.Slots.empty() && Listings.Slots.back().State == lsFree) Listings.Slots.pop_back();
}

void CloseAllListings() noexcept
{
    for (TListingSlot& slot : Listings.Slots) ReleaseSlot(slot, lsFree);
    Listings.Slots = std::vector<TListingSlot>();
    for (TTextFile& reader : Listings.Readers) {
        reader.Buffer = std::vector<char>();
        reader.Spill = AnsiString();
    }
}
