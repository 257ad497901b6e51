#include "ExportDriver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace host {

namespace {

// The two name fields as one run of bytes, as a host that reads past a full
// cFileName sees them.
using NameBytes = std::array<char, sizeof(WIN32_FIND_DATAA::cFileName) + sizeof(WIN32_FIND_DATAA::cAlternateFileName)>;

NameBytes NameFields(const WIN32_FIND_DATAA& record)
{
    NameBytes names;
    std::memcpy(names.data(), record.cFileName, sizeof(record.cFileName));
    std::memcpy(names.data() + sizeof(record.cFileName), record.cAlternateFileName,
                sizeof(record.cAlternateFileName));
    return names;
}

std::string HalfPair(DWORD high, DWORD low)
{
    return std::to_string(high) + ":" + std::to_string(low);
}

std::vector<char> ZeroEnded(const std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
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

void Notify(const ListingOptions& options, FindStep step)
{
    if (options.before) options.before(step);
}

void Notify(const ListingOptions& options, const FindAnswer& answer)
{
    if (options.after) options.after(answer);
}

}  // namespace

void PrefillFindData(WIN32_FIND_DATAA& record)
{
    std::memset(&record, FindDataFill, sizeof(record));
}

bool Untouched(const WIN32_FIND_DATAA& record)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    return std::all_of(bytes, bytes + sizeof(record), [](unsigned char b) { return b == FindDataFill; });
}

bool NameEndsInRecord(const WIN32_FIND_DATAA& record)
{
    const NameBytes names = NameFields(record);
    return std::find(names.begin(), names.end(), '\0') != names.end();
}

std::string NameOf(const WIN32_FIND_DATAA& record)
{
    const NameBytes names = NameFields(record);
    return std::string(names.begin(), std::find(names.begin(), names.end(), '\0'));
}

bool NameTailIsClean(const WIN32_FIND_DATAA& record)
{
    const NameBytes names = NameFields(record);
    const auto zero = std::find(names.begin(), names.end(), '\0');
    return zero != names.end() && std::all_of(zero, names.end(), [](char c) { return c == '\0'; });
}

std::string RecordFields(const WIN32_FIND_DATAA& record)
{
    return "attr=" + std::to_string(record.dwFileAttributes) +
           " size=" + HalfPair(record.nFileSizeHigh, record.nFileSizeLow) +
           " created=" + HalfPair(record.ftCreationTime.dwHighDateTime, record.ftCreationTime.dwLowDateTime) +
           " accessed=" +
           HalfPair(record.ftLastAccessTime.dwHighDateTime, record.ftLastAccessTime.dwLowDateTime) +
           " written=" + HalfPair(record.ftLastWriteTime.dwHighDateTime, record.ftLastWriteTime.dwLowDateTime) +
           " reserved=" + HalfPair(record.dwReserved0, record.dwReserved1) + " name=" + Esc(NameOf(record));
}

std::string Esc(const std::string& bytes)
{
    constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte <= 0x7E && byte != '%') {
            out += static_cast<char>(byte);
        } else {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 0x0F];
        }
    }
    return out;
}

FindAnswer CallFindFirst(const DrivenLibrary& library, const std::string& path)
{
    std::vector<char> pathBuffer = ZeroEnded(path);
    FindAnswer answer;
    PrefillFindData(answer.record);
    answer.handle = library.fs.FsFindFirst(pathBuffer.data(), &answer.record);
    answer.error = ReadLastError(library);
    answer.result = HandleNumber(answer.handle);
    answer.found = answer.handle != INVALID_HANDLE_VALUE;
    return answer;
}

FindAnswer CallFindNext(const DrivenLibrary& library, HANDLE handle)
{
    FindAnswer answer{FindStep::Next, handle};
    PrefillFindData(answer.record);
    answer.errorBefore = ResetLastError(library);
    answer.result = static_cast<int32_t>(library.fs.FsFindNext(handle, &answer.record));
    answer.error = ReadLastError(library);
    answer.found = answer.result != 0;
    return answer;
}

FindAnswer CallFindClose(const DrivenLibrary& library, HANDLE handle)
{
    FindAnswer answer{FindStep::Close, handle};
    answer.result = library.fs.FsFindClose(handle);
    answer.error = ReadLastError(library);
    return answer;
}

bool NextFailed(const FindAnswer& answer)
{
    return !answer.found && answer.error != 0 && answer.error != answer.errorBefore;
}

bool ListFolder(const DrivenLibrary& library, const std::string& path, const ListingOptions& options)
{
    Notify(options, FindStep::First);
    const FindAnswer first = CallFindFirst(library, path);
    Notify(options, first);
    return first.found && FinishListing(library, first.handle, options);
}

bool FinishListing(const DrivenLibrary& library, HANDLE handle, const ListingOptions& options)
{
    bool gaveUp = true;
    for (size_t nexts = 0; nexts < options.maxNexts; ++nexts) {
        Notify(options, FindStep::Next);
        const FindAnswer next = CallFindNext(library, handle);
        Notify(options, next);
        if (!next.found) {
            gaveUp = false;
            break;
        }
    }
    if (options.close) {
        Notify(options, FindStep::Close);
        Notify(options, CallFindClose(library, handle));
    }
    return gaveUp;
}

ExecuteAnswer CallExecuteFile(const DrivenLibrary& library, HWND window, const std::string& path,
                              const std::string& verb)
{
    std::vector<char> pathBuffer = ZeroEnded(path);
    std::vector<char> verbBuffer = ZeroEnded(verb);
    ExecuteAnswer answer;
    answer.result = library.fs.FsExecuteFile(window, pathBuffer.data(), verbBuffer.data());
    answer.error = ReadLastError(library);
    return answer;
}

int CallInit(const DrivenLibrary& library, int pluginNr, void (*onCallback)())
{
    CallbackListener = onCallback;
    return library.fs.FsInit(pluginNr, &ProgressCallback, &LogCallback, &RequestCallback);
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

}  // namespace host
