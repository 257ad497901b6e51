// Folder and bookmark records: resetting them, storing field values into
// them, and the find data that the file manager shows.
#include <cstddef>

#include "PLUGIN_Main.h"

namespace {

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
    case hkDescription: AssignTextToWide(dir.Description, value); break;
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
    case hkDescription: AssignTextToWide(url.Description, value); break;
    case hkOnPersonalBar: url.OnPersonalBar = TextToFlag(value); break;
    case hkPersonalBarPos: url.PersonalBarPos = TextToInt(value); break;
    case hkInPanel: url.InPanel = TextToFlag(value) ? -1 : 0; break;
    case hkPanelPos: url.PanelPos = TextToInt(value); break;
    case hkCreated: url.Created = static_cast<uint32_t>(TextToInt(value)); break;
    case hkVisited: url.Visited = static_cast<uint32_t>(TextToInt(value)); break;
    case hkUrl: AssignTextToWide(url.Url, value); break;
    case hkIconFile: AssignTextToWide(url.IconFile, value); break;
    case hkActive: url.Active = TextToFlag(value); break;
    default: break;
    }
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
