// The find data of an entry, which the file manager shows: the name, the ID
// as the size, CREATED and VISITED as the low halves of two times.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "PLUGIN_Main.h"

namespace {

// The record's UTF-16 name holds at most this many units before its zero.
constexpr size_t kWideNameLimit = MAX_PATH - 1;

void StoreName(std::string_view utf8Name, WIN32_FIND_DATAA& findData)
{
    // A name of 260 bytes or more ends with its zero in the first byte of
    // cAlternateFileName, which directly follows cFileName in the record.
    char* name = reinterpret_cast<char*>(&findData) + offsetof(WIN32_FIND_DATAA, cFileName);
    static_assert(offsetof(WIN32_FIND_DATAA, cAlternateFileName) ==
                  offsetof(WIN32_FIND_DATAA, cFileName) + MAX_PATH);
    BoundedCopy(name, AnsiFromUtf8(utf8Name), MAX_PATH);
}

// The decoded name up to its first zero, cut where the record ends, never
// between the halves of a pair.
WideString WideEntryName(std::string_view utf8Name)
{
    WideString name = Utf16FromUtf8(utf8Name);
    name.resize(UnitsWithinLimit(name, std::min(name.find(u'\0'), kWideNameLimit)));
    return name;
}

void StoreName(std::string_view utf8Name, WIN32_FIND_DATAW& findData)
{
    WideString name = WideEntryName(utf8Name);
    name += u'\0';
    // Copied as bytes: the record may be packed, as Linux hosts declare it.
    std::memcpy(reinterpret_cast<char*>(&findData) + offsetof(WIN32_FIND_DATAW, cFileName), name.data(),
                name.size() * sizeof(char16_t));
}

template <class Record, class FindData>
void FillFindData(const Record& record, DWORD attributes, FindData& findData)
{
    StoreName(record.Name, findData);
    findData.ftCreationTime.dwLowDateTime = record.Created;
    findData.ftLastAccessTime.dwLowDateTime = record.Visited;
    findData.nFileSizeHigh = 0;
    findData.nFileSizeLow = static_cast<DWORD>(record.Id);
    findData.dwFileAttributes = attributes;
}

}  // namespace

WideString ShownEntryName(std::string_view utf8Name, TNameForm form)
{
    if (form == nfWide) return WideEntryName(utf8Name);
    // What StoreName leaves in the ANSI record, read back up to its zero.
    AnsiString name = AnsiFromUtf8(utf8Name);
    name.resize(std::min({name.find('\0'), name.size(), size_t{MAX_PATH}}));
    return WideFromAnsi(name);
}

void DirToFindData(const TTansyBookmarkDir& dir, WIN32_FIND_DATAA& findData)
{
    FillFindData(dir, FILE_ATTRIBUTE_DIRECTORY, findData);
}

void UrlToFindData(const TTansyBookmarkUrl& url, WIN32_FIND_DATAA& findData)
{
    FillFindData(url, 0, findData);
}

void DirToFindData(const TTansyBookmarkDir& dir, WIN32_FIND_DATAW& findData)
{
    FillFindData(dir, FILE_ATTRIBUTE_DIRECTORY, findData);
}

void UrlToFindData(const TTansyBookmarkUrl& url, WIN32_FIND_DATAW& findData)
{
    FillFindData(url, 0, findData);
}
