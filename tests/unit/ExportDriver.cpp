#include "ExportDriver.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ScanState.h"
#include "TANSY_WFX.h"
#include "tansy_harness.h"

namespace {

std::vector<std::string> gBoxes;
void (*gBoxObserver)(void*) = nullptr;
void* gBoxObserverContext = nullptr;

std::string Escaped(const char* bytes, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x20 && b <= 0x7E && b != '%') {
            out += static_cast<char>(b);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            out += hex;
        }
    }
    return out;
}

std::string Escaped(const char* text)
{
    return text == nullptr ? std::string("(null)") : Escaped(text, std::strlen(text));
}

int RecordBox(HWND owner, const char* text, const char* caption, UINT style)
{
    if (gBoxObserver != nullptr) gBoxObserver(gBoxObserverContext);
    gBoxes.push_back(std::to_string(style) + (owner == nullptr ? " none " : " owned ") +
                     Escaped(caption) + "|" + Escaped(text));
    return IDOK;
}

std::string Pair(DWORD high, DWORD low)
{
    return std::to_string(high) + ":" + std::to_string(low);
}

std::string Pair(const FILETIME& time)
{
    return Pair(time.dwHighDateTime, time.dwLowDateTime);
}

constexpr unsigned char kFill = 0xA5;

WIN32_FIND_DATAA FilledRecord()
{
    WIN32_FIND_DATAA record;
    std::memset(&record, kFill, sizeof record);
    return record;
}

bool Untouched(const WIN32_FIND_DATAA& record)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    for (size_t i = 0; i < sizeof record; ++i)
        if (bytes[i] != kFill) return false;
    return true;
}

// The answer's text for a call that handed over a record.
std::string EntryText(const WIN32_FIND_DATAA& record)
{
    if (Untouched(record)) return " untouched";
    if (!NameEndsInRecord(record)) return " unterminated";
    return " " + DescribeRecord(record);
}

std::string ErrorText()
{
    return " error=" + std::to_string(TansyGetLastError());
}

}  // namespace

void UseHotlist(const std::string& path)
{
    HotlistFileName = TextToShort(path);
    TansySetMessageBoxHook(&RecordBox);
}

void ObserveBoxes(void (*observer)(void* context), void* context)
{
    gBoxObserver = observer;
    gBoxObserverContext = context;
}

std::vector<std::string> TakeBoxes()
{
    std::vector<std::string> boxes;
    boxes.swap(gBoxes);
    return boxes;
}

bool NameEndsInRecord(const WIN32_FIND_DATAA& record)
{
    const char* name = record.cFileName;
    // cFileName and cAlternateFileName follow each other in the packed record.
    const size_t room = sizeof record.cFileName + sizeof record.cAlternateFileName;
    return std::memchr(name, 0, room) != nullptr;
}

std::string DescribeRecord(const WIN32_FIND_DATAA& record)
{
    const char* name = record.cFileName;
    const size_t room = sizeof record.cFileName + sizeof record.cAlternateFileName;
    const void* zero = std::memchr(name, 0, room);
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - name) : room;
    return "attr=" + std::to_string(record.dwFileAttributes) +
           " size=" + Pair(record.nFileSizeHigh, record.nFileSizeLow) +
           " created=" + Pair(record.ftCreationTime) + " accessed=" + Pair(record.ftLastAccessTime) +
           " written=" + Pair(record.ftLastWriteTime) +
           " reserved=" + Pair(record.dwReserved0, record.dwReserved1) +
           " name=" + Escaped(name, length);
}

Transcript ListFolder(const std::string& path, bool close, AfterCall after, void* context,
                      size_t maxEntries)
{
    Transcript transcript;
    const auto note = [&](std::string text, long long result, bool failed,
                          const WIN32_FIND_DATAA* entry = nullptr) {
        CallAnswer answer{std::move(text)};
        answer.Result = result;
        if (failed) answer.Error = TansyGetLastError();
        if (entry != nullptr && !Untouched(*entry) && NameEndsInRecord(*entry)) {
            answer.HasEntry = true;
            answer.IsFolder = (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            answer.Name = entry->cFileName;  // ends in cAlternateFileName at the latest
        }
        transcript.push_back(std::move(answer));
        if (after != nullptr) after(transcript, context);
    };
    std::vector<char> hostPath(path.begin(), path.end());
    hostPath.push_back('\0');

    WIN32_FIND_DATAA record = FilledRecord();
    const HANDLE handle = FsFindFirst(hostPath.data(), &record);
    const std::string call = "first " + Escaped(path.c_str()) + " =";
    if (handle == INVALID_HANDLE_VALUE) {
        note(call + " -1" + ErrorText(), -1, true);
        return transcript;
    }
    const auto value = static_cast<long long>(reinterpret_cast<intptr_t>(handle));
    note(call + " " + std::to_string(value) + EntryText(record), value, false, &record);

    for (size_t n = 0; n < maxEntries; ++n) {
        record = FilledRecord();
        const BOOL more = FsFindNext(handle, &record);
        if (more == 0) {
            note("next = 0" + ErrorText(), 0, true);
            break;
        }
        note("next = " + std::to_string(more) + EntryText(record), more, false, &record);
    }
    if (close) {
        const int closed = FsFindClose(handle);
        note("close = " + std::to_string(closed), closed, false);
    }
    return transcript;
}

Transcript Execute(const std::string& path, const char* verb)
{
    std::vector<char> hostPath(path.begin(), path.end());
    hostPath.push_back('\0');
    std::vector<char> hostVerb(verb, verb + std::strlen(verb) + 1);
    TakeBoxes();
    const int result = FsExecuteFile(nullptr, hostPath.data(), hostVerb.data());
    Transcript transcript;
    CallAnswer answer("exec " + Escaped(verb) + " " + Escaped(path.c_str()) + " = " +
                      std::to_string(result) + (result != 0 ? ErrorText() : ""));
    answer.Result = result;
    if (result != 0) answer.Error = TansyGetLastError();
    transcript.push_back(std::move(answer));
    for (std::string& box : TakeBoxes()) transcript.push_back({"box " + box});
    return transcript;
}

std::string Joined(const Transcript& transcript)
{
    std::string text;
    for (const CallAnswer& answer : transcript) text += answer.Text + "\n";
    return text;
}

namespace {

// Sibling folders of one name give one path; a cap on depth and count keeps
// files of many nested look-alike folders from taking forever.
void CollectFolders(const std::string& path, std::vector<std::string>& folders, int depth)
{
    folders.push_back(path);
    if (depth > 64 || folders.size() > 2000) return;
    std::vector<std::string> children;
    std::vector<char> hostPath(path.begin(), path.end());
    hostPath.push_back('\0');
    WIN32_FIND_DATAA record = FilledRecord();
    const HANDLE handle = FsFindFirst(hostPath.data(), &record);
    if (handle == INVALID_HANDLE_VALUE) return;
    const std::string prefix = path == "\\" ? path : path + "\\";
    do {
        if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY && NameEndsInRecord(record))
            children.push_back(prefix + record.cFileName);
        if (children.size() > 1 &&
            std::find(children.begin(), children.end() - 1, children.back()) != children.end() - 1)
            children.pop_back();
        record = FilledRecord();
    } while (FsFindNext(handle, &record) != 0);
    FsFindClose(handle);
    for (const std::string& child : children) CollectFolders(child, folders, depth + 1);
}

}  // namespace

std::vector<std::string> AllFolders()
{
    std::vector<std::string> folders;
    CollectFolders("\\", folders, 0);
    return folders;
}
