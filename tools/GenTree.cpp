#include "GenTree.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

#include "GenRandom.h"
#include "GenText.h"

namespace gen {

namespace {

constexpr size_t FlushSize = size_t{1} << 20;

// Creation times fall between 2005-01-01 and 2024-06-01, visits before 2025-01-01:
// all below 2^31, as the 32-bit field readers require.
constexpr uint64_t EarliestCreated = 1104537600;
constexpr uint64_t LatestCreated = 1717200000;
constexpr uint64_t LatestVisited = 1735689600;

// Entries at the root that sit on the personal bar.
constexpr uint64_t PersonalBarEntries = 4;

// Most IDs a file can use: each entry takes at most IdStepMax numbers after FirstIdMax.
constexpr uint64_t FirstIdMax = 999;
constexpr uint64_t IdStepMax = 4;

struct Writer {
    const GenOptions& options;
    std::FILE* file;
    Rng rng;
    std::string buffer;
    std::string name;  // scratch for folder names
    std::string_view eol;
    std::string_view user;
    uint64_t nextId = 0;
    uint64_t bookmarksLeft = 0;  // not yet written, over all slots still to come
    uint64_t slotsLeft = 0;      // folders (and the root) whose share is not yet drawn
    uint64_t rootEntries = 0;
    bool failed = false;
};

void Flush(Writer& w)
{
    if (!w.buffer.empty() && !w.failed) {
        if (std::fwrite(w.buffer.data(), 1, w.buffer.size(), w.file) != w.buffer.size())
            w.failed = true;
    }
    w.buffer.clear();
}

void EndLine(Writer& w)
{
    w.buffer.append(w.eol);
}

void Line(Writer& w, std::string_view text)
{
    w.buffer.append(text);
    EndLine(w);
}

void FieldStart(Writer& w, std::string_view key)
{
    w.buffer += '\t';
    w.buffer.append(key);
    w.buffer += '=';
}

void NumberField(Writer& w, std::string_view key, uint64_t value)
{
    FieldStart(w, key);
    AppendNumber(w.buffer, value);
    EndLine(w);
}

uint64_t TakeId(Writer& w)
{
    const uint64_t id = w.nextId;
    // IDs rise with gaps, as in a file where entries were deleted.
    w.nextId += Chance(w.rng, 25) ? Between(w.rng, 2, IdStepMax) : 1;
    return id;
}

// Root entries first in the file go on the personal bar, as a browser shows them.
void PersonalBarFields(Writer& w, uint64_t level)
{
    if (level != 0) return;
    if (w.rootEntries < PersonalBarEntries) {
        Line(w, "\tON PERSONALBAR=YES");
        NumberField(w, "PERSONALBAR_POS", w.rootEntries);
    }
    ++w.rootEntries;
}

void WriteSeparator(Writer& w)
{
    Line(w, "#SEPERATOR");
    EndLine(w);
}

void WriteBookmark(Writer& w, uint64_t level)
{
    Line(w, "#URL");
    NumberField(w, "ID", TakeId(w));
    FieldStart(w, "NAME");
    AppendBookmarkName(w.buffer, w.rng);
    EndLine(w);
    FieldStart(w, "URL");
    AppendUrl(w.buffer, w.rng);
    EndLine(w);
    if (Chance(w.rng, 20)) {
        FieldStart(w, "DESCRIPTION");
        AppendDescription(w.buffer, w.rng);
        EndLine(w);
    }
    if (Chance(w.rng, 6)) {
        FieldStart(w, "SHORT NAME");
        AppendShortName(w.buffer, w.rng);
        EndLine(w);
    }
    const uint64_t created = Between(w.rng, EarliestCreated, LatestCreated);
    NumberField(w, "CREATED", created);
    // Some bookmarks were never opened after they were saved.
    NumberField(w, "VISITED", Chance(w.rng, 8) ? 0 : Between(w.rng, created, LatestVisited));
    if (Chance(w.rng, 15)) {
        FieldStart(w, "ICONFILE");
        AppendIconFile(w.buffer, w.rng, w.user);
        EndLine(w);
    }
    PersonalBarFields(w, level);
    EndLine(w);
    if (w.buffer.size() >= FlushSize) Flush(w);
}

void WriteFolderStart(Writer& w, uint64_t level, std::string_view name)
{
    Line(w, "#FOLDER");
    NumberField(w, "ID", TakeId(w));
    FieldStart(w, "NAME");
    w.buffer.append(name);
    EndLine(w);
    NumberField(w, "CREATED", Between(w.rng, EarliestCreated, LatestCreated));
    PersonalBarFields(w, level);
    EndLine(w);
}

void WriteFolderEnd(Writer& w)
{
    Line(w, "-");
    EndLine(w);
}

// This slot's share of the bookmarks still to write: about the average, an
// empty folder now and then, and the last slot takes the rest so the total is exact.
uint64_t DrawShare(Writer& w)
{
    const uint64_t left = w.bookmarksLeft, slots = w.slotsLeft;
    uint64_t share = left;
    if (slots > 1) {
        const uint64_t low = left / (2 * slots), high = left / slots + left / (2 * slots);
        share = Chance(w.rng, 6) ? 0 : std::min(Between(w.rng, low, high), left);
    }
    --w.slotsLeft;
    w.bookmarksLeft -= share;
    return share;
}

// How many of `left` bookmarks go before the next sub-folder, `parts` gaps remaining.
uint64_t DrawChunk(Writer& w, uint64_t left, uint64_t parts)
{
    if (parts <= 1) return left;
    return std::min(Below(w.rng, 2 * left / parts + 1), left);
}

void MaybeSeparator(Writer& w, bool firstInFolder)
{
    if (!firstInFolder && Chance(w.rng, 4)) WriteSeparator(w);
}

void WriteFolder(Writer& w, uint64_t level, uint64_t nameOffset, uint64_t index);

// The entries of the root (level 0) or of a folder at `level`: its share of
// bookmarks spread around its sub-folders.
void WriteContents(Writer& w, uint64_t level, uint64_t share)
{
    const uint64_t subfolders = level < w.options.depth ? w.options.fanout : 0;
    const uint64_t nameOffset = Below(w.rng, FolderTopicCount());
    uint64_t left = share;
    bool first = true;
    for (uint64_t gap = 0; gap <= subfolders; ++gap) {
        const uint64_t chunk = DrawChunk(w, left, subfolders + 1 - gap);
        left -= chunk;
        for (uint64_t i = 0; i < chunk; ++i) {
            MaybeSeparator(w, first);
            WriteBookmark(w, level);
            first = false;
        }
        if (gap < subfolders) {
            MaybeSeparator(w, first);
            WriteFolder(w, level + 1, nameOffset, gap);
            first = false;
        }
    }
}

void WriteFolder(Writer& w, uint64_t level, uint64_t nameOffset, uint64_t index)
{
    w.name.clear();
    AppendFolderName(w.name, nameOffset, index);
    // The tail folder must stay the only top-level folder of its name.
    if (level == 1 && w.name == w.options.tailFolder) w.name.append(" ~");
    WriteFolderStart(w, level - 1, w.name);
    WriteContents(w, level, DrawShare(w));
    WriteFolderEnd(w);
}

void WriteTailFolder(Writer& w)
{
    WriteFolderStart(w, 0, w.options.tailFolder);
    for (uint64_t i = 0; i < TailFolderBookmarks; ++i) WriteBookmark(w, 1);
    WriteFolderEnd(w);
}

}  // namespace

uint64_t FolderCount(uint64_t depth, uint64_t fanout)
{
    constexpr uint64_t Max = std::numeric_limits<uint64_t>::max();
    uint64_t total = 0, level = 1;
    for (uint64_t d = 0; d < depth; ++d) {
        if (fanout != 0 && level > Max / fanout) return Max;
        level *= fanout;
        if (level == 0) break;
        if (total > Max - level) return Max;
        total += level;
    }
    return total;
}

std::string CheckOptions(const GenOptions& options)
{
    if (options.depth > MaxDepth)
        return "--depth must be at most " + std::to_string(MaxDepth);
    const uint64_t folders = FolderCount(options.depth, options.fanout);
    if (options.allNested && options.bookmarks > 0 && folders == 0)
        return "--all-nested needs folders to put the bookmarks in (--depth and --fanout above 0)";
    // IDs are read as 32-bit signed numbers, so every ID must stay below 2^31.
    const uint64_t idRoom = (std::numeric_limits<int32_t>::max() - FirstIdMax) / IdStepMax;
    const uint64_t tail = options.tailFolder.empty() ? 0 : 1 + TailFolderBookmarks;
    if (folders > idRoom || options.bookmarks > idRoom - folders - tail)
        return "too many entries: " + std::to_string(options.bookmarks) + " bookmarks and " +
               (folders == std::numeric_limits<uint64_t>::max() ? std::string("too many")
                                                                 : std::to_string(folders)) +
               " folders would need IDs beyond 2^31 - 1 (at most " + std::to_string(idRoom) +
               " entries)";
    for (char c : options.tailFolder) {
        if (c == '\\')
            return "--tail-folder must not contain a backslash: it separates the parts of a path";
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "--tail-folder must not contain control characters";
    }
    if (options.tailFolder == "-")
        return "--tail-folder must not be \"-\": that line closes a folder";
    return {};
}

bool WriteHotlist(const GenOptions& options, std::FILE* file)
{
    Writer w{options, file, MakeRng(options.seed), {}, {}, options.crlf ? "\r\n" : "\n", {}};
    w.buffer.reserve(FlushSize + 64 * 1024);
    w.user = PickUserName(w.rng);
    w.nextId = Between(w.rng, 1, FirstIdMax);
    w.bookmarksLeft = options.bookmarks;
    w.slotsLeft = FolderCount(options.depth, options.fanout) + (options.allNested ? 0 : 1);

    Line(w, "Hotlist version 2.0");
    Line(w, "Options: encoding = utf8, version=3");
    EndLine(w);

    if (options.allNested) {
        WriteContents(w, 0, 0);
    } else {
        WriteContents(w, 0, DrawShare(w));
    }
    if (!options.tailFolder.empty()) WriteTailFolder(w);
    Flush(w);
    return !w.failed;
}

}  // namespace gen
