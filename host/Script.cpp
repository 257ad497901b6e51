#include "Script.h"

#include <cstdint>
#include <cstdio>

#include "Boxes.h"
#include "Utf8.h"

namespace host {

namespace {

// How deep the calls being run stand in boxes: their lines are indented by
// two blanks a level under the box line they run inside.
int Nesting = 0;

void Line(const std::string& text)
{
    for (int level = 0; level < Nesting; ++level) std::fputs("  ", stdout);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

// The file manager's callbacks; the library must never call them.
void CallbackLine()
{
    Line("callback!");
}

// The record as the host reads it; a record with no zero in either name
// field has no name end at all, and counts as dirty.
template <typename Record>
void FoundLine(const Record& record)
{
    if (Untouched(record)) {
        Line("untouched");
        return;
    }
    Line("entry " + RecordFields(record) + " tail=" + (NameTailIsClean(record) ? "clean" : "dirty"));
}

// The lines of one answer of a listing call. A failed FsFindFirst shows its
// last-error value; a failed FsFindNext only where `nextError` asks for it (a
// call that names its handle), so that transcripts of the plain form stay.
template <typename Record>
void AnswerLines(const BasicFindAnswer<Record>& answer, bool nextError = false)
{
    if (answer.found) FoundLine(answer.record);
    const bool failedFirst = answer.step == FindStep::First && !answer.found;
    const bool failed = failedFirst || (nextError && answer.step == FindStep::Next && NextFailed(answer));
    Line("= " + std::to_string(answer.result) + (failed ? " error=" + std::to_string(answer.error) : ""));
}

// The handle a scenario names by its number, as the library answered it.
HANDLE NamedHandle(int32_t number)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(number));
}

struct Runner {
    Session& session;
    HWND mainWindow;
    HANDLE lastHandle = INVALID_HANDLE_VALUE;
    int status = 0;
    std::vector<ScenarioCall> queued = {};  // to run inside the next box, before it answers

    const DrivenLibrary& Plugin() const { return session.plugin; }

    bool Present(const void* function, const char* name)
    {
        if (function) return true;
        Line(std::string("= missing export ") + name);
        std::fprintf(stderr, "tansy: the library does not export %s\n", name);
        status = 1;
        return false;
    }

    bool Present(FindStep step, bool unicode)
    {
        const PluginExports& fs = Plugin().fs;
        switch (step) {
        case FindStep::First:
            return unicode ? Present(reinterpret_cast<void*>(fs.FsFindFirstW), "FsFindFirstW")
                           : Present(reinterpret_cast<void*>(fs.FsFindFirst), "FsFindFirst");
        case FindStep::Next:
            return unicode ? Present(reinterpret_cast<void*>(fs.FsFindNextW), "FsFindNextW")
                           : Present(reinterpret_cast<void*>(fs.FsFindNext), "FsFindNext");
        case FindStep::Close: return Present(reinterpret_cast<void*>(fs.FsFindClose), "FsFindClose");
        }
        return false;
    }

    void Init(const ScenarioCall& call)
    {
        const PluginExports& fs = Plugin().fs;
        if (call.unicode ? !Present(reinterpret_cast<void*>(fs.FsInitW), "FsInitW")
                         : !Present(reinterpret_cast<void*>(fs.FsInit), "FsInit"))
            return;
        const int result = call.unicode ? CallInitW(Plugin(), call.first, &CallbackLine)
                                        : CallInit(Plugin(), call.first, &CallbackLine);
        Line("= " + std::to_string(result));
    }

    void Root(const ScenarioCall& call)
    {
        if (!Present(reinterpret_cast<void*>(Plugin().fs.FsGetDefRootName), "FsGetDefRootName")) return;
        const std::string written = CallGetDefRootName(Plugin(), call.first);
        Line("= written=" + std::to_string(written.size()) + " name=" + Esc(written));
    }

    void Status(const ScenarioCall& call)
    {
        const PluginExports& fs = Plugin().fs;
        if (call.unicode) {
            if (!Present(reinterpret_cast<void*>(fs.FsStatusInfoW), "FsStatusInfoW")) return;
            CallStatusInfoW(Plugin(), Utf16FromUtf8(call.path), call.first, call.second);
        } else {
            if (!Present(reinterpret_cast<void*>(fs.FsStatusInfo), "FsStatusInfo")) return;
            CallStatusInfo(Plugin(), call.path, call.first, call.second);
        }
        Line("= done");
    }

    void Find(FindStep step, const ScenarioCall& call)
    {
        if (!Present(step, call.unicode)) return;
        const HANDLE handle = call.namesHandle ? NamedHandle(call.first) : lastHandle;
        if (step == FindStep::Close) return AnswerLines(CallFindClose(Plugin(), handle), call.namesHandle);
        if (call.unicode)
            Found(step == FindStep::First ? CallFindFirstW(Plugin(), Utf16FromUtf8(call.path))
                                          : CallFindNextW(Plugin(), handle),
                  call);
        else
            Found(step == FindStep::First ? CallFindFirst(Plugin(), call.path) : CallFindNext(Plugin(), handle),
                  call);
    }

    template <typename Record>
    void Found(const BasicFindAnswer<Record>& answer, const ScenarioCall& call)
    {
        if (answer.step == FindStep::First) lastHandle = answer.handle;
        AnswerLines(answer, call.namesHandle);
    }

    void Exec(const ScenarioCall& call)
    {
        const PluginExports& fs = Plugin().fs;
        if (call.unicode ? !Present(reinterpret_cast<void*>(fs.FsExecuteFileW), "FsExecuteFileW")
                         : !Present(reinterpret_cast<void*>(fs.FsExecuteFile), "FsExecuteFile"))
            return;
        const ExecuteAnswer answer =
            call.unicode
                ? CallExecuteFileW(Plugin(), mainWindow, Utf16FromUtf8(call.path), Utf16FromUtf8(call.verb))
                : CallExecuteFile(Plugin(), mainWindow, call.path, call.verb);
        Line("= " + std::to_string(answer.result) +
             (answer.result != 0 ? " error=" + std::to_string(answer.error) : ""));
    }

    // The "> first" line is already out.
    void List(const ScenarioCall& call)
    {
        for (FindStep step : {FindStep::First, FindStep::Next, FindStep::Close})
            if (!Present(step, call.unicode)) return;
        const bool gaveUp = call.unicode ? ListWith<WIN32_FIND_DATAW>(Utf16FromUtf8(call.path), "nextw")
                                         : ListWith<WIN32_FIND_DATAA>(call.path, "next");
        if (gaveUp) {
            std::fprintf(stderr, "tansy: scenario line %zu: list stopped after %zu entries\n", call.line,
                         MaxListingNexts);
            status = 1;
        }
    }

    // A listing's calls after its first, each "> " line before the call.
    template <typename Record, typename Path>
    bool ListWith(const Path& path, const char* nextLine)
    {
        BasicListingOptions<Record> options;
        options.before = [nextLine](FindStep step) {
            if (step != FindStep::First) Line(std::string("> ") + (step == FindStep::Next ? nextLine : "close"));
        };
        options.after = [this](const BasicFindAnswer<Record>& answer) {
            if (answer.step == FindStep::First) lastHandle = answer.handle;
            AnswerLines(answer);
        };
        return ListFolder(Plugin(), path, options);
    }

    void Inbox(const ScenarioCall& call)
    {
        queued.push_back(call.queued.front());
        Line("= queued");
    }

    // A box is up: the calls queued for it run now, as a host runs queued
    // work while a modal box waits for its answer.
    void RunQueued()
    {
        std::vector<ScenarioCall> calls;
        calls.swap(queued);
        ++Nesting;
        for (const ScenarioCall& call : calls) Run(call);
        --Nesting;
    }

    // Calls queued for a box that never came.
    void ReportUnrun()
    {
        for (const ScenarioCall& call : queued)
            std::fprintf(stderr, "tansy: scenario line %zu: no box was shown to run \"%s\" in\n", call.line,
                         CallText(call).c_str());
        if (!queued.empty()) status = 1;
    }

    void Run(const ScenarioCall& call)
    {
        Line("> " + CallText(call));
        switch (call.kind) {
        case CallKind::Init: Init(call); break;
        case CallKind::Root: Root(call); break;
        case CallKind::Status: Status(call); break;
        case CallKind::First: Find(FindStep::First, call); break;
        case CallKind::Next: Find(FindStep::Next, call); break;
        case CallKind::Close: Find(FindStep::Close, call); break;
        case CallKind::List: List(call); break;
        case CallKind::Exec: Exec(call); break;
        case CallKind::Inbox: Inbox(call); break;
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
        const auto shown = box.unicode ? &EscUnicode : &Esc;
        Line(std::string(box.unicode ? "boxw" : "box") + " owner=" + owner + " style=" + std::to_string(box.style) +
             " caption=" + shown(box.caption) + " text=" + shown(box.text));
        runner.RunQueued();
    });
    for (const ScenarioCall& call : calls) runner.Run(call);
    SetMessageBoxListener(nullptr);
    runner.ReportUnrun();
    return runner.status;
}

}  // namespace host
