// `tansy ls` and `tansy tree`: folders as the file manager's panel shows them.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <set>

#include <nlohmann/json.hpp>

#include "Boxes.h"
#include "Commands.h"
#include "Folders.h"
#include "Reports.h"

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

Json EntryJson(const FolderEntry& entry)
{
    Json bytes = Json::array();
    for (unsigned char byte : entry.name) bytes.push_back(byte);
    return Json{{"kind", entry.folder ? "folder" : "bookmark"},
                {"name", Shown(entry.name)},
                {"name_bytes", bytes},
                {"id", entry.id},
                {"attributes", entry.attributes},
                {"created", entry.created},
                {"created_utc", DateJson(entry.created)},
                {"visited", entry.visited},
                {"visited_utc", DateJson(entry.visited)}};
}

void PrintJson(const Session& session, const std::string& path, const Json& entries)
{
    // The sample's file is gone when tansy ends: it has no path to give.
    const bool named = !session.hotlistFile.empty() && !session.bundledSample;
    const Json document{{"hotlist", named ? Json(Utf8FromPath(session.hotlistFile)) : Json(nullptr)},
                        {"code_page", AnsiCodePage()},
                        {"path", Shown(path)},
                        {"entries", entries}};
    std::cout << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

// Any box shown while browsing goes to standard error, as a person would see it.
void ReportBoxes()
{
    SetMessageBoxListener([](const MessageBoxCall& box) {
        std::fprintf(stderr, "tansy: the library showed a box: [%s] %s\n", Shown(box.caption).c_str(),
                     Shown(box.text).c_str());
    });
}

// Why a listing failed.
std::string ListingFailure(const Session& session, const std::string& path, const FolderListing& listing)
{
    const std::string action = "cannot list " + Shown(path);
    if (listing.endless)
        return action + ": the library still answered \"one more entry\" after " +
               std::to_string(MaxListingNexts) + " entries";
    return FailureReport(session, action, listing.error, {path, {}});
}

// Starts the library and lists the folder a command starts from; false after
// reporting why not.
bool ListStart(Session& session, const std::string& path, FolderListing& listing, int& status)
{
    if (!StartPlugin(session, {"FsFindFirst", "FsFindNext", "FsFindClose"})) {
        status = 1;
        return false;
    }
    ReportBoxes();
    listing = ListingOf(session, path);
    const std::string action = "cannot list " + Shown(path);
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

void PrintTable(const std::vector<FolderEntry>& entries)
{
    std::vector<std::vector<std::string>> rows = {
        {"KIND", "ID", "CREATED", "CREATED (UTC)", "VISITED", "VISITED (UTC)", "NAME"}};
    for (const FolderEntry& entry : entries) {
        const std::string created = UtcDate(entry.created, false);
        const std::string visited = UtcDate(entry.visited, false);
        rows.push_back({entry.folder ? "folder" : "bookmark", std::to_string(entry.id),
                        std::to_string(entry.created), created.empty() ? "-" : created,
                        std::to_string(entry.visited), visited.empty() ? "-" : visited, Shown(entry.name)});
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

// One listing per folder, each finished before the next begins, as a host
// browses. A folder whose path is that of a folder above it (a name the
// library joins to nothing) is not entered again.
bool Grow(Session& session, const std::string& path, const std::vector<FolderEntry>& entries,
          std::set<std::string>& above, std::vector<TreeNode>& nodes, TreeFailure& failure)
{
    for (const FolderEntry& entry : entries) nodes.push_back(TreeNode{entry, {}, false});
    above.insert(path);
    for (TreeNode& node : nodes) {
        if (!node.entry.folder) continue;
        const std::string child = JoinPath(path, node.entry.name);
        if (above.count(child)) {
            node.repeats = true;
            continue;
        }
        const FolderListing listing = ListingOf(session, child);
        if (listing.outcome == ListOutcome::Failed) {
            failure = {child, listing};
            return false;
        }
        if (!Grow(session, child, listing.entries, above, node.children, failure)) return false;
    }
    above.erase(path);
    return true;
}

void PrintTree(const std::vector<TreeNode>& nodes, const std::string& indent)
{
    for (size_t i = 0; i < nodes.size(); ++i) {
        const bool last = i + 1 == nodes.size();
        const TreeNode& node = nodes[i];
        std::cout << indent << (last ? "└── " : "├── ") << Shown(node.entry.name)
                  << (node.entry.folder ? "\\" : "") << (node.repeats ? "  (its own path again)" : "")
                  << '\n';
        PrintTree(node.children, indent + (last ? "    " : "│   "));
    }
}

Json TreeJson(const std::vector<TreeNode>& nodes)
{
    Json entries = Json::array();
    for (const TreeNode& node : nodes) {
        Json entry = EntryJson(node.entry);
        if (node.entry.folder) entry["entries"] = TreeJson(node.children);
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace

int ListCommand(Session& session, const std::string& path, bool json)
{
    FolderListing listing;
    int status = 0;
    if (!ListStart(session, path, listing, status)) return status;
    if (json) {
        Json entries = Json::array();
        for (const FolderEntry& entry : listing.entries) entries.push_back(EntryJson(entry));
        PrintJson(session, path, entries);
    } else if (!listing.entries.empty()) {
        PrintTable(listing.entries);
    }
    return 0;
}

int TreeCommand(Session& session, const std::string& path, bool json)
{
    FolderListing listing;
    int status = 0;
    if (!ListStart(session, path, listing, status)) return status;
    std::vector<TreeNode> nodes;
    std::set<std::string> above;
    TreeFailure failure;
    if (!Grow(session, path, listing.entries, above, nodes, failure))
        return Fail(ListingFailure(session, failure.path, failure.listing));
    if (json) {
        PrintJson(session, path, TreeJson(nodes));
    } else {
        std::cout << Shown(path) << '\n';
        PrintTree(nodes, "");
    }
    return 0;
}

}  // namespace host
