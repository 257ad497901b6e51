// Folder and bookmark records: resetting them and storing the values of
// field lines into them.
#include "PLUGIN_Main.h"

namespace {

// The fields that folders and bookmarks both have.
template <class Record>
void ClearCommonFields(Record& record)
{
    // Strings are cleared in place, so a record reused block after block
    // keeps its storage.
    record.Id = 0;
    record.Name.clear();
    record.ShortName.Length = 0;
    record.Description.clear();
    record.OnPersonalBar = false;
    record.PersonalBarPos = 0;
    record.Created = 0;
    record.Visited = 0;
}

uint32_t TextToUnsigned(std::string_view value)
{
    return static_cast<uint32_t>(TextToInt(value));
}

// Stores a value of a key that both records have; false for any other key.
// Folders carry VISITED like bookmarks; the listing shows it as the access time.
template <class Record>
bool ApplyCommonField(std::string_view value, THotlistKey key, Record& record)
{
    switch (key) {
    case hkId: record.Id = TextToInt(value); return true;
    case hkName: record.Name.assign(value); return true;
    case hkShortName: record.ShortName = TextToShort(value); return true;
    case hkDescription: AssignTextToWide(record.Description, value); return true;
    case hkOnPersonalBar: record.OnPersonalBar = TextToFlag(value); return true;
    case hkPersonalBarPos: record.PersonalBarPos = TextToInt(value); return true;
    case hkCreated: record.Created = TextToUnsigned(value); return true;
    case hkVisited: record.Visited = TextToUnsigned(value); return true;
    default: return false;
    }
}

}  // namespace

std::string_view FieldValue(std::string_view line)
{
    // TextPos counts from 1, so it is also where the value begins.
    const int32_t equals = TextPos("=", line);
    return equals == 0 ? line : line.substr(static_cast<size_t>(equals));
}

void ClearBookmarkDir(TTansyBookmarkDir& dir)
{
    ClearCommonFields(dir);
    dir.TrashFolder = false;
}

void ClearBookmarkUrl(TTansyBookmarkUrl& url)
{
    ClearCommonFields(url);
    url.Url.clear();
    url.IconFile.clear();
    url.Active = false;
    url.InPanel = 0;
    url.PanelPos = 0;
}

void ApplyDirField(std::string_view line, THotlistKey key, TTansyBookmarkDir& dir)
{
    // A key the record has no field for converts nothing, so it cannot fail.
    if (key == hkNone) return;
    const std::string_view value = FieldValue(line);
    if (ApplyCommonField(value, key, dir)) return;
    if (key == hkTrashFolder) dir.TrashFolder = TextToFlag(value);
}

void ApplyUrlField(std::string_view line, THotlistKey key, TTansyBookmarkUrl& url)
{
    if (key == hkNone) return;
    const std::string_view value = FieldValue(line);
    if (ApplyCommonField(value, key, url)) return;
    switch (key) {
    case hkInPanel: url.InPanel = TextToFlag(value) ? -1 : 0; break;
    case hkPanelPos: url.PanelPos = TextToInt(value); break;
    case hkUrl: AssignTextToWide(url.Url, value); break;
    case hkIconFile: AssignTextToWide(url.IconFile, value); break;
    case hkActive: url.Active = TextToFlag(value); break;
    default: break;
    }
}
