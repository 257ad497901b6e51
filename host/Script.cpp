#include "Script.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "Boxes.h"

namespace host {

namespace {

// A `list` stops after this many FsFindNext calls that kept answering "more".
constexpr int MaxListNexts = 100000;
constexpr unsigned char FindDataFill = 0xA5;
constexpr unsigned char RootNameFill = 0xEE;
constexpr size_t RootNameBuffer = 300;

void Line(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

// The file manager's callbacks; the library must never call them.
int WINAPI ProgressCallback(int, char*, char*, int)
{
    Line("callback!");
    return 0;
}

void WINAPI LogCallback(int, int, char*)
{
    Line("callback!");
}

BOOL WINAPI RequestCallback(int, int, char*, char*, char*, int)
{
    Line("callback!");
    return FALSE;
}

std::string HalfPair(DWORD high, DWORD low)
{
    return std::to_string(high) + ":" + std::to_string(low);
}

// The record as the host reads it. cFileName and cAlternateFileName lie one
// after the other, so a name that fills cFileName goes on in the alternate
// name; a record with no zero in either has no name end at all, and counts
// as dirty.
std::string EntryLine(const WIN32_FIND_DATAA& data)
{
    std::array<char, sizeof(data.cFileName) + sizeof(data.cAlternateFileName)> names{};
    std::memcpy(names.data(), data.cFileName, sizeof(data.cFileName));
    std::memcpy(names.data() + sizeof(data.cFileName), data.cAlternateFileName,
                sizeof(data.cAlternateFileName));
    const auto zero = std::find(names.begin(), names.end(), '\0');
    const bool clean = zero != names.end() &&
                       std::all_of(zero, names.end(), [](char c) { return c == '\0'; });
    return "entry attr=" + std::to_string(data.dwFileAttributes) +
           " size=" + HalfPair(data.nFileSizeHigh, data.nFileSizeLow) +
           " created=" + HalfPair(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime) +
           " accessed=" +
           HalfPair(data.ftLastAccessTime.dwHighDateTime, data.ftLastAccessTime.dwLowDateTime) +
           " written=" +
           HalfPair(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime) +
           " reserved=" + HalfPair(data.dwReserved0, data.dwReserved1) +
           " name=" + Esc(std::string(names.begin(), zero)) + " tail=" + (clean ? "clean" : "dirty");
}

void PrefillFindData(WIN32_FIND_DATAA& data)
{
    std::memset(&data, FindDataFill, sizeof(data));
}

void FoundLine(const WIN32_FIND_DATAA& data)
{
    WIN32_FIND_DATAA untouched;
    PrefillFindData(untouched);
    Line(std::memcmp(&data, &untouched, sizeof(data)) == 0 ? "untouched" : EntryLine(data));
}

std::vector<char> Buffer(const std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return buffer;
}

struct Runner {
    Session& session;
    HWND mainWindow;
    HANDLE lastHandle = INVALID_HANDLE_VALUE;
    int status = 0;

    bool Present(const void* function, const char* name)
    {
        if (function) return true;
        Line(std::string("= missing export ") + name);
        std::fprintf(stderr, "tansy: the library does not export %s\n", name);
        status = 1;
        return false;
    }

    void Init(const ScenarioCall& call)
    {
        if (!Present(reinterpret_cast<void*>(session.fs.FsInit), "FsInit")) return;
        const int result = session.fs.FsInit(call.first, &ProgressCallback, &LogCallback, &RequestCallback);
        Line("= " + std::to_string(result));
    }

    void Root(const ScenarioCall& call)
    {
        if (!Present(reinterpret_cast<void*>(session.fs.FsGetDefRootName), "FsGetDefRootName")) return;
        std::array<char, RootNameBuffer> buffer;
        buffer.fill(static_cast<char>(RootNameFill));
        session.fs.FsGetDefRootName(buffer.data(), call.first);
        size_t written = 0;
        while (written < buffer.size() && static_cast<unsigned char>(buffer[written]) != RootNameFill)
            ++written;
        Line("= written=" + std::to_string(written) +
             " name=" + Esc(std::string(buffer.data(), written)));
    }

    void Status(const ScenarioCall& call)
    {
        if (!Present(reinterpret_cast<void*>(session.fs.FsStatusInfo), "FsStatusInfo")) return;
        std::vector<char> path = Buffer(call.path);
        session.fs.FsStatusInfo(path.data(), call.first, call.second);
        Line("= done");
    }

    bool First(const std::string& pathText)
    {
        if (!Present(reinterpret_cast<void*>(session.fs.FsFindFirst), "FsFindFirst")) return false;
        std::vector<char> path = Buffer(pathText);
        WIN32_FIND_DATAA data;
        PrefillFindData(data);
        lastHandle = session.fs.FsFindFirst(path.data(), &data);
        const DWORD error = LibraryLastError(session.library);
        const bool found = lastHandle != INVALID_HANDLE_VALUE;
        if (found) FoundLine(data);
        Line("= " + std::to_string(static_cast<long long>(reinterpret_cast<intptr_t>(lastHandle))) +
             (found ? "" : " error=" + std::to_string(error)));
        return found;
    }

    bool Next()
    {
        if (!Present(reinterpret_cast<void*>(session.fs.FsFindNext), "FsFindNext")) return false;
        WIN32_FIND_DATAA data;
        PrefillFindData(data);
        const BOOL result = session.fs.FsFindNext(lastHandle, &data);
        if (result != 0) FoundLine(data);
        Line("= " + std::to_string(static_cast<int32_t>(result)));
        return result != 0;
    }

    void Close()
    {
        if (!Present(reinterpret_cast<void*>(session.fs.FsFindClose), "FsFindClose")) return;
        Line("= " + std::to_string(session.fs.FsFindClose(lastHandle)));
    }

    void Exec(const ScenarioCall& call)
    {
        if (!Present(reinterpret_cast<void*>(session.fs.FsExecuteFile), "FsExecuteFile")) return;
        std::vector<char> path = Buffer(call.path);
        std::vector<char> verb = Buffer(call.verb);
        const int result = session.fs.FsExecuteFile(mainWindow, path.data(), verb.data());
        const DWORD error = LibraryLastError(session.library);
        Line("= " + std::to_string(result) + (result != 0 ? " error=" + std::to_string(error) : ""));
    }

    void List(const ScenarioCall& call)
    {
        if (!First(call.path)) return;
        int nexts = 0;
        for (bool more = true; more; ++nexts) {
            if (nexts == MaxListNexts) {
                std::fprintf(stderr, "tansy: scenario line %zu: list stopped after %d entries\n",
                             call.line, MaxListNexts);
                status = 1;
                break;
            }
            Line("> next");
            more = Next();
        }
        Line("> close");
        Close();
    }

    void Run(const ScenarioCall& call)
    {
        Line("> " + CallText(call));
        switch (call.kind) {
        case CallKind::Init: Init(call); break;
        case CallKind::Root: Root(call); break;
        case CallKind::Status: Status(call); break;
        case CallKind::First: First(call.path); break;
        case CallKind::Next: Next(); break;
        case CallKind::Close: Close(); break;
        case CallKind::List: List(call); break;
        case CallKind::Exec: Exec(call); break;
        }
        std::fflush(stdout);
    }
};

}  // namespace

int RunScenario(Session& session, const std::vector<ScenarioCall>& calls, bool fileManagerClass)
{
    Runner runner{session, MainWindow(fileManagerClass)};
    SetMessageBoxListener([&runner](const MessageBoxCall& box) {
        const char* owner = !box.owner                       ? "none"
                            : box.owner == runner.mainWindow ? "main"
                                                             : "other";
        Line(std::string("box owner=") + owner + " style=" + std::to_string(box.style) +
             " caption=" + Esc(box.caption) + " text=" + Esc(box.text));
    });
    for (const ScenarioCall& call : calls) runner.Run(call);
    SetMessageBoxListener(nullptr);
    return runner.status;
}

}  // namespace host
