#include "ExportDriver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "Utf8.h"

namespace host {

namespace {

static_assert(sizeof(WCHAR) == sizeof(char16_t), "the Unicode exports take UTF-16 units");

// A name's unit in each form of the record.
template <typename Record>
using UnitOf = std::conditional_t<std::is_same_v<Record, WIN32_FIND_DATAW>, char16_t, char>;

// The two name fields as one run of units, as a host that reads past a full
// cFileName sees them.
template <typename Record>
using NameUnits =
    std::array<UnitOf<Record>, (sizeof(Record::cFileName) + sizeof(Record::cAlternateFileName)) / sizeof(UnitOf<Record>)>;

template <typename Record>
NameUnits<Record> NameFields(const Record& record)
{
    NameUnits<Record> names;
    const auto* bytes = reinterpret_cast<const char*>(&record);
    auto* into = reinterpret_cast<char*>(names.data());
    std::memcpy(into, bytes + offsetof(Record, cFileName), sizeof(record.cFileName));
    std::memcpy(into + sizeof(record.cFileName), bytes + offsetof(Record, cAlternateFileName),
                sizeof(record.cAlternateFileName));
    return names;
}

template <typename Record>
bool AllFill(const Record& record)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    return std::all_of(bytes, bytes + sizeof(record), [](unsigned char b) { return b == FindDataFill; });
}

template <typename Record>
bool ZeroInNames(const Record& record)
{
    const NameUnits<Record> names = NameFields(record);
    return std::find(names.begin(), names.end(), 0) != names.end();
}

template <typename Record>
std::basic_string<UnitOf<Record>> NameBeforeZero(const Record& record)
{
    const NameUnits<Record> names = NameFields(record);
    return {names.begin(), std::find(names.begin(), names.end(), 0)};
}

template <typename Record>
bool ZerosAfterName(const Record& record)
{
    const NameUnits<Record> names = NameFields(record);
    const auto zero = std::find(names.begin(), names.end(), 0);
    return zero != names.end() && std::all_of(zero, names.end(), [](auto unit) { return unit == 0; });
}

std::string HalfPair(DWORD high, DWORD low)
{
    return std::to_string(high) + ":" + std::to_string(low);
}

// Every field of the record but the name, then " name=".
template <typename Record>
std::string FieldsBeforeName(const Record& record)
{
    return "attr=" + std::to_string(record.dwFileAttributes) +
           " size=" + HalfPair(record.nFileSizeHigh, record.nFileSizeLow) +
           " created=" + HalfPair(record.ftCreationTime.dwHighDateTime, record.ftCreationTime.dwLowDateTime) +
           " accessed=" +
           HalfPair(record.ftLastAccessTime.dwHighDateTime, record.ftLastAccessTime.dwLowDateTime) +
           " written=" + HalfPair(record.ftLastWriteTime.dwHighDateTime, record.ftLastWriteTime.dwLowDateTime) +
           " reserved=" + HalfPair(record.dwReserved0, record.dwReserved1) + " name=";
}

constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, unsigned char byte)
{
    if (byte >= 0x20 && byte <= 0x7E && byte != '%') {
        out += static_cast<char>(byte);
    } else {
        out += '%';
        out += HexDigits[byte >> 4];
        out += HexDigits[byte & 0x0F];
    }
}

std::vector<char> ZeroEnded(const std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return buffer;
}

std::vector<WCHAR> ZeroEnded(const std::u16string& text)
{
    std::vector<WCHAR> buffer(text.begin(), text.end());
    buffer.push_back(0);
    return buffer;
}

DWORD ReadLastError(const DrivenLibrary& library)
{
    return library.lastError.get ? library.lastError.get() : 0;
}

// Sets the last-error value to 0 where the library allows it, and returns the
// value then in force.
DWORD ResetLastError(const DrivenLibrary& library)
{
    if (library.lastError.set) library.lastError.set(0);
    return ReadLastError(library);
}

long long HandleNumber(HANDLE handle)
{
    return static_cast<long long>(reinterpret_cast<intptr_t>(handle));
}

// FsFindFirst or FsFindFirstW through `findFirst`, given the prefilled record.
template <typename Record, typename Call>
BasicFindAnswer<Record> FirstAnswer(const DrivenLibrary& library, Call findFirst)
{
    BasicFindAnswer<Record> answer;
    PrefillFindData(answer.record);
    answer.handle = findFirst(&answer.record);
    answer.error = ReadLastError(library);
    answer.result = HandleNumber(answer.handle);
    answer.found = answer.handle != INVALID_HANDLE_VALUE;
    return answer;
}

template <typename Record, typename Export>
BasicFindAnswer<Record> NextAnswer(const DrivenLibrary& library, HANDLE handle, Export findNext)
{
    BasicFindAnswer<Record> answer{FindStep::Next, handle};
    PrefillFindData(answer.record);
    answer.errorBefore = ResetLastError(library);
    answer.result = static_cast<int32_t>(findNext(handle, &answer.record));
    answer.error = ReadLastError(library);
    answer.found = answer.result != 0;
    return answer;
}

template <typename Record>
BasicFindAnswer<Record> CloseAnswer(const DrivenLibrary& library, HANDLE handle)
{
    BasicFindAnswer<Record> answer{FindStep::Close, handle};
    answer.result = library.fs.FsFindClose(handle);
    answer.error = ReadLastError(library);
    return answer;
}

// The listing calls of each form, chosen by the path's or the options' type.
FindAnswer FirstOf(const DrivenLibrary& library, const std::string& path)
{
    return CallFindFirst(library, path);
}

FindAnswerW FirstOf(const DrivenLibrary& library, const std::u16string& path)
{
    return CallFindFirstW(library, path);
}

FindAnswer NextOf(const DrivenLibrary& library, HANDLE handle, const ListingOptions&)
{
    return CallFindNext(library, handle);
}

FindAnswerW NextOf(const DrivenLibrary& library, HANDLE handle, const ListingOptionsW&)
{
    return CallFindNextW(library, handle);
}

template <typename Record>
void Notify(const BasicListingOptions<Record>& options, FindStep step)
{
    if (options.before) options.before(step);
}

template <typename Record>
void Notify(const BasicListingOptions<Record>& options, const BasicFindAnswer<Record>& answer)
{
    if (options.after) options.after(answer);
}

template <typename Record>
bool FinishListingOf(const DrivenLibrary& library, HANDLE handle, const BasicListingOptions<Record>& options)
{
    bool gaveUp = true;
    for (size_t nexts = 0; nexts < options.maxNexts; ++nexts) {
        Notify(options, FindStep::Next);
        const BasicFindAnswer<Record> next = NextOf(library, handle, options);
        Notify(options, next);
        if (!next.found) {
            gaveUp = false;
            break;
        }
    }
    if (options.close) {
        Notify(options, FindStep::Close);
        Notify(options, CloseAnswer<Record>(library, handle));
    }
    return gaveUp;
}

template <typename Record, typename Path>
bool ListFolderOf(const DrivenLibrary& library, const Path& path, const BasicListingOptions<Record>& options)
{
    Notify(options, FindStep::First);
    const BasicFindAnswer<Record> first = FirstOf(library, path);
    Notify(options, first);
    return first.found && FinishListingOf(library, first.handle, options);
}

// What the file manager's callbacks report to; they are plain functions, so
// the listener of the last CallInit is kept here.
void (*CallbackListener)() = nullptr;

void ReportCallback()
{
    if (CallbackListener) CallbackListener();
}

int WINAPI ProgressCallback(int, char*, char*, int)
{
    ReportCallback();
    return 0;
}

void WINAPI LogCallback(int, int, char*)
{
    ReportCallback();
}

BOOL WINAPI RequestCallback(int, int, char*, char*, char*, int)
{
    ReportCallback();
    return FALSE;
}

int WINAPI ProgressCallbackW(int, WCHAR*, WCHAR*, int)
{
    ReportCallback();
    return 0;
}

void WINAPI LogCallbackW(int, int, WCHAR*)
{
    ReportCallback();
}

BOOL WINAPI RequestCallbackW(int, int, WCHAR*, WCHAR*, WCHAR*, int)
{
    ReportCallback();
    return FALSE;
}

}  // namespace

void PrefillFindData(WIN32_FIND_DATAA& record)
{
    std::memset(&record, FindDataFill, sizeof(record));
}

void PrefillFindData(WIN32_FIND_DATAW& record)
{
    std::memset(static_cast<void*>(&record), FindDataFill, sizeof(record));
}

bool Untouched(const WIN32_FIND_DATAA& record)
{
    return AllFill(record);
}

bool Untouched(const WIN32_FIND_DATAW& record)
{
    return AllFill(record);
}

bool NameEndsInRecord(const WIN32_FIND_DATAA& record)
{
    return ZeroInNames(record);
}

bool NameEndsInRecord(const WIN32_FIND_DATAW& record)
{
    return ZeroInNames(record);
}

std::string NameOf(const WIN32_FIND_DATAA& record)
{
    return NameBeforeZero(record);
}

std::u16string NameOf(const WIN32_FIND_DATAW& record)
{
    return NameBeforeZero(record);
}

bool NameTailIsClean(const WIN32_FIND_DATAA& record)
{
    return ZerosAfterName(record);
}

bool NameTailIsClean(const WIN32_FIND_DATAW& record)
{
    return ZerosAfterName(record);
}

std::string RecordFields(const WIN32_FIND_DATAA& record)
{
    return FieldsBeforeName(record) + Esc(NameOf(record));
}

std::string RecordFields(const WIN32_FIND_DATAW& record)
{
    return FieldsBeforeName(record) + EscUnicode(Utf8FromUtf16(NameOf(record)));
}

std::string Esc(const std::string& bytes)
{
    std::string out;
    for (unsigned char byte : bytes) AppendEscaped(out, byte);
    return out;
}

std::string EscUnicode(const std::string& utf8)
{
    std::string out;
    const auto byte = [&utf8](size_t i) { return static_cast<unsigned char>(utf8[i]); };
    for (size_t i = 0; i < utf8.size(); ++i) {
        // ED A0..BF 80..BF: the three-byte form of U+D800..U+DFFF.
        if (byte(i) == 0xED && i + 2 < utf8.size() && (byte(i + 1) & 0xE0) == 0xA0 &&
            (byte(i + 2) & 0xC0) == 0x80) {
            const unsigned unit = 0xD000 | ((byte(i + 1) & 0x3Fu) << 6) | (byte(i + 2) & 0x3Fu);
            out += "%u";
            for (int shift = 12; shift >= 0; shift -= 4) out += HexDigits[(unit >> shift) & 0xF];
            i += 2;
            continue;
        }
        AppendEscaped(out, byte(i));
    }
    return out;
}

FindAnswer CallFindFirst(const DrivenLibrary& library, const std::string& path)
{
    std::vector<char> buffer = ZeroEnded(path);
    return FirstAnswer<WIN32_FIND_DATAA>(
        library, [&](WIN32_FIND_DATAA* record) { return library.fs.FsFindFirst(buffer.data(), record); });
}

FindAnswerW CallFindFirstW(const DrivenLibrary& library, const std::u16string& path)
{
    std::vector<WCHAR> buffer = ZeroEnded(path);
    return FirstAnswer<WIN32_FIND_DATAW>(
        library, [&](WIN32_FIND_DATAW* record) { return library.fs.FsFindFirstW(buffer.data(), record); });
}

FindAnswer CallFindNext(const DrivenLibrary& library, HANDLE handle)
{
    return NextAnswer<WIN32_FIND_DATAA>(library, handle, library.fs.FsFindNext);
}

FindAnswerW CallFindNextW(const DrivenLibrary& library, HANDLE handle)
{
    return NextAnswer<WIN32_FIND_DATAW>(library, handle, library.fs.FsFindNextW);
}

FindAnswer CallFindClose(const DrivenLibrary& library, HANDLE handle)
{
    return CloseAnswer<WIN32_FIND_DATAA>(library, handle);
}

bool ListFolder(const DrivenLibrary& library, const std::string& path, const ListingOptions& options)
{
    return ListFolderOf(library, path, options);
}

bool ListFolder(const DrivenLibrary& library, const std::u16string& path, const ListingOptionsW& options)
{
    return ListFolderOf(library, path, options);
}

bool FinishListing(const DrivenLibrary& library, HANDLE handle, const ListingOptions& options)
{
    return FinishListingOf(library, handle, options);
}

bool FinishListing(const DrivenLibrary& library, HANDLE handle, const ListingOptionsW& options)
{
    return FinishListingOf(library, handle, options);
}

ExecuteAnswer CallExecuteFile(const DrivenLibrary& library, HWND window, const std::string& path,
                              const std::string& verb)
{
    std::vector<char> pathBuffer = ZeroEnded(path);
    std::vector<char> verbBuffer = ZeroEnded(verb);
    const int result = library.fs.FsExecuteFile(window, pathBuffer.data(), verbBuffer.data());
    return {result, ReadLastError(library)};
}

ExecuteAnswer CallExecuteFileW(const DrivenLibrary& library, HWND window, const std::u16string& path,
                               const std::u16string& verb)
{
    std::vector<WCHAR> pathBuffer = ZeroEnded(path);
    std::vector<WCHAR> verbBuffer = ZeroEnded(verb);
    const int result = library.fs.FsExecuteFileW(window, pathBuffer.data(), verbBuffer.data());
    return {result, ReadLastError(library)};
}

int CallInit(const DrivenLibrary& library, int pluginNr, void (*onCallback)())
{
    CallbackListener = onCallback;
    return library.fs.FsInit(pluginNr, &ProgressCallback, &LogCallback, &RequestCallback);
}

int CallInitW(const DrivenLibrary& library, int pluginNr, void (*onCallback)())
{
    CallbackListener = onCallback;
    return library.fs.FsInitW(pluginNr, &ProgressCallbackW, &LogCallbackW, &RequestCallbackW);
}

std::string CallGetDefRootName(const DrivenLibrary& library, int maxLen)
{
    std::array<char, RootNameBuffer> buffer;
    buffer.fill(static_cast<char>(RootNameFill));
    library.fs.FsGetDefRootName(buffer.data(), maxLen);
    const auto left = std::find(buffer.begin(), buffer.end(), static_cast<char>(RootNameFill));
    return std::string(buffer.begin(), left);
}

void CallStatusInfo(const DrivenLibrary& library, const std::string& path, int startEnd, int infoKind)
{
    std::vector<char> pathBuffer = ZeroEnded(path);
    library.fs.FsStatusInfo(pathBuffer.data(), startEnd, infoKind);
}

void CallStatusInfoW(const DrivenLibrary& library, const std::u16string& path, int startEnd, int infoKind)
{
    std::vector<WCHAR> pathBuffer = ZeroEnded(path);
    library.fs.FsStatusInfoW(pathBuffer.data(), startEnd, infoKind);
}

}  // namespace host
