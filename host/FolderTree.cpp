#include "FolderTree.h"

#include <utility>

namespace host {

namespace {

// One open listing of the walk; its path is the first `length` bytes of the
// walk's path, since a folder's path begins with its parent's.
struct OpenLevel {
    size_t length = 0;
    FolderCursor cursor;
};

struct TreeWalk {
    Session& session;
    std::string path;  // the innermost open folder's
    std::vector<OpenLevel> levels = {};
    FolderTree tree = {};

    void Open()
    {
        levels.push_back(OpenLevel{path.size(), OpenFolder(session, path)});
    }

    // Takes the entry the innermost listing has just returned and, for a
    // folder, opens its listing: down through first entries as far as they
    // lead.
    void TakeEntries()
    {
        while (levels.back().cursor.added) {
            const FolderEntry& entry = levels.back().cursor.listing.entries.back();
            tree.rows.push_back(TreeRow{entry, levels.size() - 1, false});
            if (!entry.folder || tree.failure) return;
            const std::string child = JoinPath(path, entry.name);
            if (child == path) {
                tree.rows.back().repeats = true;
                return;
            }
            path = child;
            Open();
        }
    }

    // Closes out the innermost level once its listing has ended.
    void Leave()
    {
        OpenLevel& level = levels.back();
        if (level.cursor.listing.outcome == ListOutcome::Failed && !tree.failure)
            tree.failure = TreeFailure{path, std::move(level.cursor.listing)};
        levels.pop_back();
        path.resize(levels.back().length);
    }
};

}  // namespace

FolderTree WalkTree(Session& session, const std::string& path)
{
    TreeWalk walk{session, path};
    walk.Open();
    walk.TakeEntries();
    for (;;) {
        if (NextInFolder(session, walk.levels.back().cursor))
            walk.TakeEntries();
        else if (walk.levels.size() > 1)
            walk.Leave();
        else
            break;
    }
    walk.tree.top = std::move(walk.levels.back().cursor.listing);
    return std::move(walk.tree);
}

}  // namespace host
