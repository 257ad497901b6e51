// `tansy ls`, `tansy tree` and `tansy count`: folders as the file manager's
// panel shows them, and whole trees as its recursive operations walk them.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "Boxes.h"
#include "Commands.h"
#include "Folders.h"
#include "Reports.h"
#include "Utf8.h"

namespace host {

namespace {

using Json = nlohmann::ordered_json;

// The last second that a four-digit year can show.
constexpr uint64_t LastShownSecond = 253402300799;

// CREATED and VISITED are Unix seconds, shown in UTC; 0 means never.
std::string UtcDate(uint64_t value, bool iso)
{
    if (value == 0 || value > LastShownSecond) return {};
    using namespace std::chrono;
    const sys_seconds time{seconds{static_cast<int64_t>(value)}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[32];
    std::snprintf(text, sizeof(text), iso ? "%04d-%02u-%02uT%02d:%02d:%02dZ" : "%04d-%02u-%02u %02d:%02d:%02d",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
    return text;
}

Json DateJson(uint64_t value)
{
    const std::string date = UtcDate(value, true);
    return date.empty() ? Json(nullptr) : Json(date);
}

// The name as the host received it: the library's ANSI bytes, or UTF-16 units.
Json NameJson(const Session& session, const std::string& name)
{
    Json received = Json::array();
    if (session.unicode)
        for (char16_t unit : Utf16FromUtf8(name)) received.push_back(static_cast<unsigned>(unit));
    else
        for (unsigned char byte : name) received.push_back(byte);
    return received;
}

Json EntryJson(const Session& session, const FolderEntry& entry)
{
    return Json{{"kind", entry.folder ? "folder" : "bookmark"},
                {"name", Shown(session, entry.name)},
                {session.unicode ? "name_units" : "name_bytes", NameJson(session, entry.name)},
                {"id", entry.id},
                {"attributes", entry.attributes},
                {"created", entry.created},
                {"created_utc", DateJson(entry.created)},
                {"visited", entry.visited},
                {"visited_utc", DateJson(entry.visited)}};
}

// The head of a JSON answer: the hotlist, the code page and the path.
Json Document(const Session& session, const std::string& path)
{
    // The sample's file is gone when tansy ends: it has no path to give.
    const bool named = !session.hotlistFile.empty() && !session.bundledSample;
    return Json{{"hotlist", named ? Json(Utf8FromPath(session.hotlistFile)) : Json(nullptr)},
                {"code_page", AnsiCodePage()},
                {"interface", session.unicode ? "unicode" : "ansi"},
                {"path", Shown(session, path)}};
}

void PrintJson(const Json& document)
{
    std::cout << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

void PrintJson(const Session& session, const std::string& path, const Json& entries)
{
    Json document = Document(session, path);
    document["entries"] = entries;
    PrintJson(document);
}

// Any box shown while browsing goes to standard error, as a person would see it.
void ReportBoxes()
{
    SetMessageBoxListener([](const MessageBoxCall& box) {
        std::fprintf(stderr, "tansy: the library showed a box: [%s] %s\n", Shown(box, box.caption).c_str(),
                     Shown(box, box.text).c_str());
    });
}

// Why a listing failed.
std::string ListingFailure(const Session& session, const std::string& path, const FolderListing& listing)
{
    const std::string action = "cannot list " + Shown(session, path);
    if (listing.endless)
        return action + ": the library still answered \"one more entry\" after " +
               std::to_string(MaxListingNexts) + " entries";
    return FailureReport(session, action, listing.error, {path, {}});
}

// Starts the library for a listing command; false after reporting why not.
bool StartListing(Session& session, int& status)
{
    if (!StartPlugin(session, CommandExports("ls"))) {
        status = 1;
        return false;
    }
    ReportBoxes();
    return true;
}

// Whether the listing of the folder a command starts from can be shown: false
// after reporting why not (the listing failed, or `path` names no folder).
bool Listable(Session& session, const std::string& path, const FolderListing& listing, int& status)
{
    const std::string action = "cannot list " + Shown(session, path);
    if (listing.outcome == ListOutcome::Failed) {
        status = Fail(ListingFailure(session, path, listing));
        return false;
    }
    if (listing.outcome == ListOutcome::Listed) return true;
    FolderListing parent;
    switch (LookUpPath(session, path, parent)) {
    case PathKind::EmptyFolder: return true;
    case PathKind::Bookmark: status = Fail(action + ": it is a bookmark, not a folder"); return false;
    case PathKind::Missing:
        status = Fail(action + ": no such folder in " + session.hotlistLabel);
        return false;
    case PathKind::Failed: status = Fail(ListingFailure(session, ParentOf(path), parent)); return false;
    }
    return true;
}

void PrintTable(const Session& session, const std::vector<FolderEntry>& entries)
{
    std::vector<std::vector<std::string>> rows = {
        {"KIND", "ID", "CREATED", "CREATED (UTC)", "VISITED", "VISITED (UTC)", "NAME"}};
    for (const FolderEntry& entry : entries) {
        const std::string created = UtcDate(entry.created, false);
        const std::string visited = UtcDate(entry.visited, false);
        rows.push_back({entry.folder ? "folder" : "bookmark", std::to_string(entry.id),
                        std::to_string(entry.created), created.empty() ? "-" : created,
                        std::to_string(entry.visited), visited.empty() ? "-" : visited, Shown(session, entry.name)});
    }
    std::vector<size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows)
        for (size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    const auto numeric = [](size_t column) { return column == 1 || column == 2 || column == 4; };
    for (const auto& row : rows) {
        std::string line;
        for (size_t column = 0; column + 1 < row.size(); ++column) {
            const std::string pad(widths[column] - row[column].size(), ' ');
            line += numeric(column) ? pad + row[column] : row[column] + pad;
            line += "  ";
        }
        std::cout << line << row.back() << '\n';
    }
}

struct TreeNode {
    FolderEntry entry;
    std::vector<TreeNode> children;
    bool repeats = false;  // its path is that of a folder above it
};

struct TreeFailure {
    std::string path;
    FolderListing listing;
};

// Grows the tree below a folder the way file managers walk it for a search or
// a size count: each sub-folder is listed inside its parent's listing, right
// after the call that returned it, and the parent goes on once that listing
// is closed. A folder whose path is that of a folder above it (a name the
// library joins to nothing) is not entered again.
struct TreeWalk {
    Session& session;
    std::set<std::string> above = {};
    std::optional<TreeFailure> failure = {};  // the first listing below the top that failed

    // Lists `path` into `nodes`, each sub-folder's own listing inside; the
    // listing of `path` itself.
    FolderListing Grow(const std::string& path, std::vector<TreeNode>& nodes)
    {
        above.insert(path);
        const FolderListing listing = ListingOf(session, path, [&](const FolderEntry& entry) {
            nodes.push_back(TreeNode{entry, {}, false});
            if (entry.folder && !failure) Enter(JoinPath(path, entry.name), nodes.back());
        });
        above.erase(path);
        return listing;
    }

    void Enter(const std::string& path, TreeNode& node)
    {
        if (above.count(path)) {
            node.repeats = true;
            return;
        }
        const FolderListing listing = Grow(path, node.children);
        if (listing.outcome == ListOutcome::Failed && !failure) failure = TreeFailure{path, listing};
    }
};

// Starts the library and grows the tree below `path`; false after reporting
// why it cannot be shown.
bool GrowTree(Session& session, const std::string& path, std::vector<TreeNode>& nodes, int& status)
{
    if (!StartListing(session, status)) return false;
    TreeWalk walk{session};
    const FolderListing top = walk.Grow(path, nodes);
    if (walk.failure) {
        status = Fail(ListingFailure(session, walk.failure->path, walk.failure->listing));
        return false;
    }
    return Listable(session, path, top, status);
}

void PrintTree(const Session& session, const std::vector<TreeNode>& nodes, const std::string& indent)
{
    for (size_t i = 0; i < nodes.size(); ++i) {
        const bool last = i + 1 == nodes.size();
        const TreeNode& node = nodes[i];
        std::cout << indent << (last ? "└── " : "├── ") << Shown(session, node.entry.name)
                  << (node.entry.folder ? "\\" : "") << (node.repeats ? "  (its own path again)" : "")
                  << '\n';
        PrintTree(session, node.children, indent + (last ? "    " : "│   "));
    }
}

Json TreeJson(const Session& session, const std::vector<TreeNode>& nodes)
{
    Json entries = Json::array();
    for (const TreeNode& node : nodes) {
        Json entry = EntryJson(session, node.entry);
        if (node.entry.folder) entry["entries"] = TreeJson(session, node.children);
        entries.push_back(entry);
    }
    return entries;
}

struct TreeCount {
    uint64_t bookmarks = 0;
    uint64_t folders = 0;
    uint64_t size = 0;  // the bookmarks' sizes (their IDs) added up, as file managers add file sizes
};

void CountTree(const std::vector<TreeNode>& nodes, TreeCount& count)
{
    for (const TreeNode& node : nodes) {
        if (node.entry.folder) {
            ++count.folders;
            CountTree(node.children, count);
        } else {
            ++count.bookmarks;
            count.size += node.entry.id;
        }
    }
}

}  // namespace

int ListCommand(Session& session, const std::string& path, bool json)
{
    int status = 0;
    if (!StartListing(session, status)) return status;
    const FolderListing listing = ListingOf(session, path);
    if (!Listable(session, path, listing, status)) return status;
    if (json) {
        Json entries = Json::array();
        for (const FolderEntry& entry : listing.entries) entries.push_back(EntryJson(session, entry));
        PrintJson(session, path, entries);
    } else if (!listing.entries.empty()) {
        PrintTable(session, listing.entries);
    }
    return 0;
}

int TreeCommand(Session& session, const std::string& path, bool json)
{
    std::vector<TreeNode> nodes;
    int status = 0;
    if (!GrowTree(session, path, nodes, status)) return status;
    if (json) {
        PrintJson(session, path, TreeJson(session, nodes));
    } else {
        std::cout << Shown(session, path) << '\n';
        PrintTree(session, nodes, "");
    }
    return 0;
}

int CountCommand(Session& session, const std::string& path, bool json)
{
    std::vector<TreeNode> nodes;
    int status = 0;
    if (!GrowTree(session, path, nodes, status)) return status;
    TreeCount count;
    CountTree(nodes, count);
    if (json) {
        Json document = Document(session, path);
        document["bookmarks"] = count.bookmarks;
        document["folders"] = count.folders;
        document["size"] = count.size;
        PrintJson(document);
    } else {
        std::cout << Shown(session, path) << ": " << count.bookmarks << " bookmarks, " << count.folders
                  << " folders, size " << count.size << '\n';
    }
    return 0;
}

}  // namespace host
