// `tansy ls`, `tansy tree` and `tansy count`: folders as the file manager's
// panel shows them, and whole trees as its recursive operations walk them.
#include <chrono>
#include <cstdio>
#include <iostream>

#include <nlohmann/json.hpp>

#include "Boxes.h"
#include "Commands.h"
#include "FolderTree.h"
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

// Walks the tree below `path` after starting the library; false after
// reporting why it cannot be shown.
bool GrowTree(Session& session, const std::string& path, FolderTree& tree, int& status)
{
    if (!StartListing(session, status)) return false;
    tree = WalkTree(session, path);
    if (tree.failure) {
        status = Fail(ListingFailure(session, tree.failure->path, tree.failure->listing));
        return false;
    }
    return Listable(session, path, tree.top, status);
}

// For each row, whether it is the last entry of its folder.
std::vector<bool> LastInFolder(const std::vector<TreeRow>& rows)
{
    std::vector<bool> last(rows.size());
    std::vector<bool> followed;  // by depth: a later entry of the same folder was seen
    for (size_t i = rows.size(); i-- > 0;) {
        const size_t depth = rows[i].depth;
        followed.resize(depth + 1);
        last[i] = !followed[depth];
        followed[depth] = true;
    }
    return last;
}

void PrintTree(const Session& session, const std::vector<TreeRow>& rows)
{
    const std::vector<bool> last = LastInFolder(rows);
    std::string indent;
    std::vector<size_t> indentAt = {0};  // by depth: the length of the indent of its rows
    for (size_t i = 0; i < rows.size(); ++i) {
        const TreeRow& row = rows[i];
        indent.resize(indentAt[row.depth]);
        std::cout << indent << (last[i] ? "└── " : "├── ") << Shown(session, row.entry.name)
                  << (row.entry.folder ? "\\" : "") << (row.repeats ? "  (its own path again)" : "") << '\n';
        indent += last[i] ? "    " : "│   ";
        indentAt.resize(row.depth + 1);
        indentAt.push_back(indent.size());
    }
}

Json TreeJson(const Session& session, const std::vector<TreeRow>& rows)
{
    Json entries = Json::array();
    std::vector<Json*> folders = {&entries};  // by depth: the entries array rows of that depth go to
    for (const TreeRow& row : rows) {
        folders.resize(row.depth + 1);
        folders.back()->push_back(EntryJson(session, row.entry));
        if (!row.entry.folder) continue;
        Json& entry = folders.back()->back();
        entry["entries"] = Json::array();
        folders.push_back(&entry["entries"]);
    }
    return entries;
}

struct TreeCount {
    uint64_t bookmarks = 0;
    uint64_t folders = 0;
    uint64_t size = 0;  // the bookmarks' sizes (their IDs) added up, as file managers add file sizes
};

TreeCount CountTree(const std::vector<TreeRow>& rows)
{
    TreeCount count;
    for (const TreeRow& row : rows) {
        if (row.entry.folder) {
            ++count.folders;
        } else {
            ++count.bookmarks;
            count.size += row.entry.id;
        }
    }
    return count;
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
    FolderTree tree;
    int status = 0;
    if (!GrowTree(session, path, tree, status)) return status;
    if (json) {
        PrintJson(session, path, TreeJson(session, tree.rows));
    } else {
        std::cout << Shown(session, path) << '\n';
        PrintTree(session, tree.rows);
    }
    return 0;
}

int CountCommand(Session& session, const std::string& path, bool json)
{
    FolderTree tree;
    int status = 0;
    if (!GrowTree(session, path, tree, status)) return status;
    const TreeCount count = CountTree(tree.rows);
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
