// The folders of the virtual tree as the commands show them: a folder's
// entries, listed the way the file manager lists them, and what a path names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Session.h"

namespace host {

struct FolderEntry {
    bool folder = false;
    std::string name;  // the session's text (Session::unicode)
    uint64_t id = 0;   // the size column
    uint64_t created = 0;
    uint64_t visited = 0;
    DWORD attributes = 0;
};

enum class ListOutcome {
    Listed,     // entries, at least one
    NoEntries,  // FsFindFirst found none: an empty or a missing folder
    Failed,     // a call failed with `error`
};

struct FolderListing {
    ListOutcome outcome = ListOutcome::Listed;
    std::vector<FolderEntry> entries;  // what was listed, also before a failure
    DWORD error = 0;                   // the last-error value of the failed call
    bool endless = false;              // failed: still "one more" after MaxListingNexts
};

// A listing made one call at a time, so that a walk can list a sub-folder
// between two calls of its parent's listing, as file managers do.
struct FolderCursor {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool open = false;   // FsFindFirst found an entry and FsFindClose is still owed
    bool added = false;  // the last call added an entry to listing.entries
    size_t nexts = 0;
    FolderListing listing;
};

// FsFindFirst of `path` (the session's text), FsFindFirstW in a Unicode
// session; the exports FsFindFirst, FsFindNext and FsFindClose must be present.
FolderCursor OpenFolder(Session& session, const std::string& path);
// One more FsFindNext (or W); at the end of the listing, or once it has
// answered "one more" MaxListingNexts times, FsFindClose. False once closed.
bool NextInFolder(Session& session, FolderCursor& cursor);

// Lists `path` (the session's text) to its end, through the Unicode exports
// in a Unicode session.
FolderListing ListingOf(Session& session, const std::string& path);

enum class PathKind { EmptyFolder, Bookmark, Missing, Failed };

// What `path` names, for a listing that found no entries: its parent is
// listed and searched for the last name of the path. `listing` gets the
// parent's listing when that failed.
PathKind LookUpPath(Session& session, const std::string& path, FolderListing& listing);

// The folder that holds `path` ("\\" for a top-level name), and the last name.
std::string ParentOf(const std::string& path);
std::string LastNameOf(const std::string& path);

// `name` joined to a folder's path, the way the library joins them.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace host
