// A folder's whole tree, walked the way file managers walk one for a search
// or a size count: each sub-folder is listed inside its parent's listing,
// right after the call that returned it, and the parent goes on once that
// listing is closed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Folders.h"

namespace host {

struct TreeRow {
    FolderEntry entry;
    size_t depth = 0;      // 0 for an entry of the folder the walk started from
    bool repeats = false;  // a folder whose path is its parent's (a name the library joins to nothing)
};

struct TreeFailure {
    std::string path;
    FolderListing listing;
};

struct FolderTree {
    std::vector<TreeRow> rows;            // depth first: each folder followed by what it holds
    FolderListing top;                    // the listing of the folder the walk started from
    std::optional<TreeFailure> failure;  // the first listing below the top that failed
};

// Walks the tree below `path` (the session's text). The walk keeps one open
// listing a level and no call stack of its own, so a nest of any depth is
// walked in memory that grows with the depth only by the open listings.
// After a failure below the top, the walk enters no more folders; the open
// listings are still read to their ends and closed.
FolderTree WalkTree(Session& session, const std::string& path);

}  // namespace host
