#include "ExportDriver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace host {

namespace {

static_assert(sizeof(WCHAR) == sizeof(char16_t), "the Unicode exports take UTF-16 units");

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

// FsExecuteFile or FsExecuteFileW through `execute`.
template <typename Export, typename Text>
ExecuteAnswer ExecuteWith(const DrivenLibrary& library, Export execute, HWND window, const Text& path,
                          const Text& verb)
{
    auto pathBuffer = ZeroEnded(path);
    auto verbBuffer = ZeroEnded(verb);
    const int result = execute(window, pathBuffer.data(), verbBuffer.data());
    return {result, ReadLastError(library)};
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

// The callbacks of both forms: Char is char, or WCHAR for FsInitW.
template <typename Char>
int WINAPI ProgressCallback(int, Char*, Char*, int)
{
    ReportCallback();
    return 0;
}

template <typename Char>
void WINAPI LogCallback(int, int, Char*)
{
    ReportCallback();
}

template <typename Char>
BOOL WINAPI RequestCallback(int, int, Char*, Char*, Char*, int)
{
    ReportCallback();
    return FALSE;
}

}  // namespace

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
    return ExecuteWith(library, library.fs.FsExecuteFile, window, path, verb);
}

ExecuteAnswer CallExecuteFileW(const DrivenLibrary& library, HWND window, const std::u16string& path,
                               const std::u16string& verb)
{
    return ExecuteWith(library, library.fs.FsExecuteFileW, window, path, verb);
}

int CallInit(const DrivenLibrary& library, int pluginNr, void (*onCallback)())
{
    CallbackListener = onCallback;
    return library.fs.FsInit(pluginNr, &ProgressCallback<char>, &LogCallback<char>, &RequestCallback<char>);
}

int CallInitW(const DrivenLibrary& library, int pluginNr, void (*onCallback)())
{
    CallbackListener = onCallback;
    return library.fs.FsInitW(pluginNr, &ProgressCallback<WCHAR>, &LogCallback<WCHAR>, &RequestCallback<WCHAR>);
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
    library.fs.FsStatusInfo(ZeroEnded(path).data(), startEnd, infoKind);
}

void CallStatusInfoW(const DrivenLibrary& library, const std::u16string& path, int startEnd, int infoKind)
{
    library.fs.FsStatusInfoW(ZeroEnded(path).data(), startEnd, infoKind);
}

}  // namespace host
