#include "Listing.h"

#include <cstring>

namespace host {

namespace {

constexpr unsigned char FindDataFill = 0xA5;

uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<uint64_t>(high) << 32) | low;
}

// False when the library claimed success but left the record as passed:
// there is no entry to show then.
bool TakeEntry(const WIN32_FIND_DATAA& data, std::vector<FolderEntry>& entries)
{
    WIN32_FIND_DATAA untouched;
    std::memset(&untouched, FindDataFill, sizeof(untouched));
    if (std::memcmp(&data, &untouched, sizeof(data)) == 0) return false;
    FolderEntry entry;
    entry.attributes = data.dwFileAttributes;
    entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.name = NameOf(data);
    entry.id = Join(data.nFileSizeHigh, data.nFileSizeLow);
    entry.created = Join(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime);
    entry.visited = Join(data.ftLastAccessTime.dwHighDateTime, data.ftLastAccessTime.dwLowDateTime);
    entries.push_back(entry);
    return true;
}

}  // namespace

std::string NameOf(const WIN32_FIND_DATAA& data)
{
    const size_t inName = strnlen(data.cFileName, sizeof(data.cFileName));
    std::string name(data.cFileName, inName);
    if (inName == sizeof(data.cFileName))
        name.append(data.cAlternateFileName, strnlen(data.cAlternateFileName, sizeof(data.cAlternateFileName)));
    return name;
}

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

FolderListing ListFolder(Session& session, const std::string& path)
{
    FolderListing listing;
    std::vector<char> pathBuffer(path.begin(), path.end());
    pathBuffer.push_back('\0');
    WIN32_FIND_DATAA data;
    std::memset(&data, FindDataFill, sizeof(data));
    const HANDLE handle = session.fs.FsFindFirst(pathBuffer.data(), &data);
    if (handle == INVALID_HANDLE_VALUE) {
        listing.error = LibraryLastError(session.library);
        listing.outcome = listing.error == ERROR_NO_MORE_FILES ? ListOutcome::NoEntries : ListOutcome::Failed;
        return listing;
    }
    TakeEntry(data, listing.entries);
    for (size_t nexts = 0;; ++nexts) {
        if (nexts == MaxNexts) {
            listing.outcome = ListOutcome::Failed;
            listing.endless = true;
            break;
        }
        std::memset(&data, FindDataFill, sizeof(data));
        // FsFindNext answers a failure as "no more": only the last-error
        // value tells them apart.
        ClearLibraryLastError(session.library);
        const DWORD before = LibraryLastError(session.library);
        if (session.fs.FsFindNext(handle, &data) == 0) {
            const DWORD after = LibraryLastError(session.library);
            if (after != before && after != 0) {
                listing.outcome = ListOutcome::Failed;
                listing.error = after;
            }
            break;
        }
        TakeEntry(data, listing.entries);
    }
    session.fs.FsFindClose(handle);
    return listing;
}

PathKind LookUpPath(Session& session, const std::string& path, FolderListing& listing)
{
    if (path == "\\") return PathKind::EmptyFolder;  // a hotlist without entries
    if (path.empty() || path.front() != '\\') return PathKind::Missing;
    const std::string name = LastNameOf(path);
    listing = ListFolder(session, ParentOf(path));
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
