// Folder and bookmark records: the field-line classifier, the field parser,
// the block readers, and the find data that the file manager shows.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "PLUGIN_Main.h"

namespace {

struct KeyText {
    std::string_view Text;
    THotlistKey Key;
};

// Tried in this order; a line's key is the first whose text starts at the
// line's second character.
constexpr KeyText kKeyTexts[] = {
    {"ID", hkId},
    {"NAME", hkName},
    {"DESCRIPTION", hkDescription},
    {"SHORT NAME", hkShortName},
    {"ON PERSONALBAR", hkOnPersonalBar},
    {"PERSONALBAR_POS", hkPersonalBarPos},
    {"TRASH FOLDER", hkTrashFolder},
    {"URL", hkUrl},
    {"CREATED", hkCreated},
    {"VISITED", hkVisited},
    {"ICONFILE", hkIconFile},
    {"ACTIVE", hkActive},
    {"IN PANEL", hkInPanel},
    {"PANEL_POS", hkPanelPos},
};

constexpr size_t LongestKeyText()
{
    size_t longest = 0;
    for (const KeyText& key : kKeyTexts) longest = std::max(longest, key.Text.size());
    return longest;
}
static_assert(kKeyWindow == 1 + LongestKeyText());

constexpr bool KeyLengthsMatch()
{
    for (const KeyText& key : kKeyTexts)
        if (kKeyTextLengths[key.Key] != key.Text.size()) return false;
    return true;
}
static_assert(KeyLengthsMatch());

// True when `line` holds `key` from its second character on and goes on
// after it.
template <size_t N>
bool HasKey(std::string_view line, const char (&key)[N])
{
    return line.size() > N - 1 && std::memcmp(line.data() + 1, key, N - 1) == 0;
}

// Where ReadUrlBlockKeepingTexts keeps the value of a text field.
TKeptText* KeptTextOf(TKeptUrlTexts& texts, THotlistKey key)
{
    switch (key) {
    case hkName: return &texts.Name;
    case hkUrl: return &texts.Url;
    case hkShortName: return &texts.ShortName;
    case hkDescription: return &texts.Description;
    case hkIconFile: return &texts.IconFile;
    default: return nullptr;
    }
}

// Stores a kept value into `url` as ReadUrlBlock would have stored it; a
// field the block did not hold is cleared.
void StoreKept(const TKeptText& text, THotlistKey key, TTansyBookmarkUrl& url)
{
    if (!text.Present) {
        StoreUrlValue({}, key, url);
        return;
    }
    TFieldLine field;
    field.Key = key;
    field.Value = text.Bytes;
    field.NeedsRoundTrip = text.NeedsRoundTrip;
    StoreUrlValue(AnsiValue(field), key, url);
}

void CopyName(const AnsiString& utf8Name, WIN32_FIND_DATAA& findData)
{
    // A name of 260 bytes or more ends with its zero in the first byte of
    // cAlternateFileName, which directly follows cFileName in the record.
    char* name = reinterpret_cast<char*>(&findData) + offsetof(WIN32_FIND_DATAA, cFileName);
    static_assert(offsetof(WIN32_FIND_DATAA, cAlternateFileName) ==
                  offsetof(WIN32_FIND_DATAA, cFileName) + MAX_PATH);
    BoundedCopy(name, AnsiFromUtf8(utf8Name), MAX_PATH);
}

}  // namespace

THotlistKey ClassifyFieldLine(std::string_view line)
{
    // No key text is the beginning of another, so at most one matches; the
    // line's second character tells which can (the order above then does
    // not matter).
    if (line.size() < 2) return hkNone;
    switch (line[1]) {
    case 'A': return HasKey(line, "ACTIVE") ? hkActive : hkNone;
    case 'C': return HasKey(line, "CREATED") ? hkCreated : hkNone;
    case 'D': return HasKey(line, "DESCRIPTION") ? hkDescription : hkNone;
    case 'I':
        if (HasKey(line, "ID")) return hkId;
        if (HasKey(line, "ICONFILE")) return hkIconFile;
        return HasKey(line, "IN PANEL") ? hkInPanel : hkNone;
    case 'N': return HasKey(line, "NAME") ? hkName : hkNone;
    case 'O': return HasKey(line, "ON PERSONALBAR") ? hkOnPersonalBar : hkNone;
    case 'P':
        if (HasKey(line, "PERSONALBAR_POS")) return hkPersonalBarPos;
        return HasKey(line, "PANEL_POS") ? hkPanelPos : hkNone;
    case 'S': return HasKey(line, "SHORT NAME") ? hkShortName : hkNone;
    case 'T': return HasKey(line, "TRASH FOLDER") ? hkTrashFolder : hkNone;
    case 'U': return HasKey(line, "URL") ? hkUrl : hkNone;
    case 'V': return HasKey(line, "VISITED") ? hkVisited : hkNone;
    default: return hkNone;
    }
}

std::string_view FieldValue(std::string_view line)
{
    const size_t equals = line.find('=');
    return equals == std::string_view::npos ? line : line.substr(equals + 1);
}

// Both clear their strings in place, so a record reused block after block
// keeps its storage.
void ClearBookmarkDir(TTansyBookmarkDir& dir)
{
    dir.Id = 0;
    dir.Name.clear();
    dir.ShortName = ShortString();
    dir.Description.clear();
    dir.OnPersonalBar = false;
    dir.PersonalBarPos = 0;
    dir.TrashFolder = false;
    dir.Created = 0;
    dir.Visited = 0;
}

void ClearBookmarkUrl(TTansyBookmarkUrl& url)
{
    url.Id = 0;
    url.Name.clear();
    url.Url.clear();
    url.ShortName = ShortString();
    url.Description.clear();
    url.IconFile.clear();
    url.Active = false;
    url.OnPersonalBar = false;
    url.PersonalBarPos = 0;
    url.InPanel = 0;
    url.PanelPos = 0;
    url.Created = 0;
    url.Visited = 0;
}

void ApplyDirField(std::string_view line, THotlistKey key, TTansyBookmarkDir& dir)
{
    StoreDirValue(FieldValue(line), key, dir);
}

void ApplyUrlField(std::string_view line, THotlistKey key, TTansyBookmarkUrl& url)
{
    StoreUrlValue(FieldValue(line), key, url);
}

void StoreDirValue(std::string_view value, THotlistKey key, TTansyBookmarkDir& dir)
{
    switch (key) {
    case hkId: dir.Id = TextToInt(value); break;
    case hkName: dir.Name.assign(value); break;
    case hkShortName: dir.ShortName = TextToShort(value); break;
    case hkDescription: AssignWideFromAnsi(dir.Description, value); break;
    case hkOnPersonalBar: dir.OnPersonalBar = TextToFlag(value); break;
    case hkPersonalBarPos: dir.PersonalBarPos = TextToInt(value); break;
    case hkTrashFolder: dir.TrashFolder = TextToFlag(value); break;
    case hkCreated: dir.Created = static_cast<uint32_t>(TextToInt(value)); break;
    // Folders carry VISITED like bookmarks; the listing shows it as the access time.
    case hkVisited: dir.Visited = static_cast<uint32_t>(TextToInt(value)); break;
    default: break;
    }
}

void StoreUrlValue(std::string_view value, THotlistKey key, TTansyBookmarkUrl& url)
{
    switch (key) {
    case hkId: url.Id = TextToInt(value); break;
    case hkName: url.Name.assign(value); break;
    case hkShortName: url.ShortName = TextToShort(value); break;
    case hkDescription: AssignWideFromAnsi(url.Description, value); break;
    case hkOnPersonalBar: url.OnPersonalBar = TextToFlag(value); break;
    case hkPersonalBarPos: url.PersonalBarPos = TextToInt(value); break;
    case hkInPanel: url.InPanel = TextToFlag(value) ? -1 : 0; break;
    case hkPanelPos: url.PanelPos = TextToInt(value); break;
    case hkCreated: url.Created = static_cast<uint32_t>(TextToInt(value)); break;
    case hkVisited: url.Visited = static_cast<uint32_t>(TextToInt(value)); break;
    case hkUrl: AssignWideFromAnsi(url.Url, value); break;
    case hkIconFile: AssignWideFromAnsi(url.IconFile, value); break;
    case hkActive: url.Active = TextToFlag(value); break;
    default: break;
    }
}

void ReadDirBlock(TTextFile& file, WideString& line, TTansyBookmarkDir& dir)
{
    ClearBookmarkDir(dir);
    ReadBlockLines(file, line, [&](const TFieldLine& field) {
        if (field.Key != hkNone) StoreDirValue(AnsiValue(field), field.Key, dir);
    });
}

void ReadUrlBlock(TTextFile& file, WideString& line, TTansyBookmarkUrl& url)
{
    ClearBookmarkUrl(url);
    ReadBlockLines(file, line, [&](const TFieldLine& field) {
        if (field.Key != hkNone) StoreUrlValue(AnsiValue(field), field.Key, url);
    });
}

void ReadUrlBlockKeepingTexts(TTextFile& file, WideString& line, TTansyBookmarkUrl& url,
                              TKeptUrlTexts& texts)
{
    // The text fields are left for StoreKeptName and StoreKeptTexts to set.
    url.Active = false;
    url.OnPersonalBar = false;
    url.Id = url.PersonalBarPos = url.InPanel = url.PanelPos = 0;
    url.Created = url.Visited = 0;
    for (TKeptText* text : {&texts.Name, &texts.Url, &texts.ShortName, &texts.Description, &texts.IconFile})
        text->Present = false;
    ReadBlockLines(file, line, [&](const TFieldLine& field) {
        if (field.Key == hkNone) return;
        // Text fields never fail, so keeping them changes no outcome.
        if (TKeptText* text = KeptTextOf(texts, field.Key)) {
            text->Bytes.assign(field.Value);
            text->NeedsRoundTrip = field.NeedsRoundTrip;
            text->Present = true;
            return;
        }
        StoreUrlValue(AnsiValue(field), field.Key, url);
    });
}

void StoreKeptName(const TKeptUrlTexts& texts, TTansyBookmarkUrl& url)
{
    StoreKept(texts.Name, hkName, url);
}

void StoreKeptTexts(const TKeptUrlTexts& texts, TTansyBookmarkUrl& url)
{
    StoreKept(texts.Name, hkName, url);
    StoreKept(texts.Url, hkUrl, url);
    StoreKept(texts.ShortName, hkShortName, url);
    StoreKept(texts.Description, hkDescription, url);
    StoreKept(texts.IconFile, hkIconFile, url);
}

void DirToFindData(const TTansyBookmarkDir& dir, WIN32_FIND_DATAA& findData)
{
    CopyName(dir.Name, findData);
    findData.ftCreationTime.dwLowDateTime = dir.Created;
    findData.ftLastAccessTime.dwLowDateTime = dir.Visited;
    findData.nFileSizeHigh = 0;
    findData.nFileSizeLow = static_cast<DWORD>(dir.Id);
    findData.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
}

void UrlToFindData(const TTansyBookmarkUrl& url, WIN32_FIND_DATAA& findData)
{
    CopyName(url.Name, findData);
    findData.ftCreationTime.dwLowDateTime = url.Created;
    findData.ftLastAccessTime.dwLowDateTime = url.Visited;
    findData.dwFileAttributes = 0;
    findData.nFileSizeHigh = 0;
    findData.nFileSizeLow = static_cast<DWORD>(url.Id);
}
