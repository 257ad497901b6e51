#include "Folders.h"

#include "Utf8.h"

namespace host {

namespace {

uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<uint64_t>(high) << 32) | low;
}

// A record's name as the session's text.
std::string NameText(const WIN32_FIND_DATAA& data)
{
    return NameOf(data);
}

std::string NameText(const WIN32_FIND_DATAW& data)
{
    return Utf8FromUtf16(NameOf(data));
}

// A record that the library claimed to fill but left as passed holds no entry
// to show; false for such a record.
template <typename Record>
bool TakeEntry(const Record& data, std::vector<FolderEntry>& entries)
{
    if (Untouched(data)) return false;
    FolderEntry entry;
    entry.attributes = data.dwFileAttributes;
    entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.name = NameText(data);
    entry.id = Join(data.nFileSizeHigh, data.nFileSizeLow);
    entry.created = Join(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime);
    entry.visited = Join(data.ftLastAccessTime.dwHighDateTime, data.ftLastAccessTime.dwLowDateTime);
    entries.push_back(entry);
    return true;
}

// The entry a call of the listing returned, or how the call ended the
// listing, if it did.
template <typename Record>
void Note(const BasicFindAnswer<Record>& answer, FolderCursor& cursor)
{
    FolderListing& listing = cursor.listing;
    cursor.added = answer.found && TakeEntry(answer.record, listing.entries);
    if (answer.found) return;
    if (answer.step == FindStep::First) {
        listing.error = answer.error;
        listing.outcome = answer.error == ERROR_NO_MORE_FILES ? ListOutcome::NoEntries : ListOutcome::Failed;
    } else if (NextFailed(answer)) {
        listing.error = answer.error;
        listing.outcome = ListOutcome::Failed;
    }
}

// Notes what a call answered; FsFindFirst's handle is kept. True when the
// call found an entry.
template <typename Record>
bool Took(const BasicFindAnswer<Record>& answer, FolderCursor& cursor)
{
    Note(answer, cursor);
    if (answer.step == FindStep::First) cursor.handle = answer.handle;
    return answer.found;
}

void CloseFolder(Session& session, FolderCursor& cursor)
{
    CallFindClose(session.plugin, cursor.handle);
    cursor.open = false;
}

}  // namespace

std::string ParentOf(const std::string& path)
{
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos || cut == 0 ? "\\" : path.substr(0, cut);
}

std::string LastNameOf(const std::string& path)
{
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

FolderCursor OpenFolder(Session& session, const std::string& path)
{
    FolderCursor cursor;
    cursor.open = session.unicode ? Took(CallFindFirstW(session.plugin, Utf16FromUtf8(path)), cursor)
                                  : Took(CallFindFirst(session.plugin, path), cursor);
    return cursor;
}

bool NextInFolder(Session& session, FolderCursor& cursor)
{
    cursor.added = false;
    if (!cursor.open) return false;
    if (cursor.nexts == MaxListingNexts) {
        cursor.listing.endless = true;
        cursor.listing.outcome = ListOutcome::Failed;
        CloseFolder(session, cursor);
        return false;
    }
    ++cursor.nexts;
    const bool found = session.unicode ? Took(CallFindNextW(session.plugin, cursor.handle), cursor)
                                       : Took(CallFindNext(session.plugin, cursor.handle), cursor);
    if (!found) CloseFolder(session, cursor);
    return found;
}

FolderListing ListingOf(Session& session, const std::string& path)
{
    FolderCursor cursor = OpenFolder(session, path);
    while (NextInFolder(session, cursor)) {
    }
    return std::move(cursor.listing);
}

PathKind LookUpPath(Session& session, const std::string& path, FolderListing& listing)
{
    if (path == "\\") return PathKind::EmptyFolder;  // a hotlist without entries
    if (path.empty() || path.front() != '\\') return PathKind::Missing;
    const std::string name = LastNameOf(path);
    listing = ListingOf(session, ParentOf(path));
    if (listing.outcome == ListOutcome::Failed) return PathKind::Failed;
    bool bookmark = false;
    for (const FolderEntry& entry : listing.entries) {
        if (entry.name != name) continue;
        if (entry.folder) return PathKind::EmptyFolder;
        bookmark = true;
    }
    return bookmark ? PathKind::Bookmark : PathKind::Missing;
}

}  // namespace host
