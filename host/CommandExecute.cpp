// `tansy props` and `tansy exec`: a verb on an entry, with the boxes it shows.
#include <iostream>

#include "Boxes.h"
#include "Commands.h"
#include "Folders.h"
#include "Reports.h"

namespace host {

namespace {

struct Execution {
    int result = 0;
    DWORD error = 0;
    std::vector<MessageBoxCall> boxes;
};

Execution Execute(Session& session, const std::string& verb, const std::string& path, HWND window)
{
    Execution execution;
    SetMessageBoxListener([&execution](const MessageBoxCall& box) { execution.boxes.push_back(box); });
    const ExecuteAnswer answer = ExecuteIn(session, window, path, verb);
    SetMessageBoxListener(nullptr);
    execution.result = answer.result;
    execution.error = answer.error;
    return execution;
}

void PrintBoxes(const std::vector<MessageBoxCall>& boxes)
{
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (i > 0) std::cout << '\n';
        std::cout << '[' << Shown(boxes[i], boxes[i].caption) << "]\n" << Shown(boxes[i], boxes[i].text) << '\n';
    }
}

// Why "properties" showed nothing: the path names a folder, or nothing.
int ReportNoProperties(Session& session, const std::string& path)
{
    const std::string action = "no properties for " + Shown(session, path);
    const std::string folder = ParentOf(path);
    const FolderListing parent = ListingOf(session, folder);
    if (parent.outcome == ListOutcome::Failed)
        return Fail(FailureReport(session, action, parent.error, {folder, {}}));
    for (const FolderEntry& entry : parent.entries)
        if (entry.folder && entry.name == LastNameOf(path))
            return Fail(action + ": it is a folder, and only bookmarks have properties");
    return Fail(action + ": no such bookmark in " + session.hotlistLabel);
}

}  // namespace

int PropertiesCommand(Session& session, const std::string& path, bool fileManagerClass)
{
    if (!StartPlugin(session, CommandExports("props"))) return 1;
    const Execution execution = Execute(session, "properties", path, MainWindow(fileManagerClass));
    PrintBoxes(execution.boxes);
    if (execution.result == FS_EXEC_ERROR)
        return Fail(FailureReport(session, "cannot show the properties of " + Shown(session, path), execution.error,
                                  {path, "properties"}));
    if (execution.boxes.empty()) return ReportNoProperties(session, path);
    return 0;
}

int ExecuteCommand(Session& session, const std::string& verb, const std::string& path,
                   bool fileManagerClass)
{
    if (!StartPlugin(session, CommandExports("exec"))) return 1;
    const Execution execution = Execute(session, verb, path, MainWindow(fileManagerClass));
    PrintBoxes(execution.boxes);
    if (!execution.boxes.empty()) std::cout << '\n';
    std::cout << "result: " << execution.result;
    if (execution.result != 0) std::cout << " (last error " << execution.error << ")";
    std::cout << '\n';
    if (execution.result == FS_EXEC_ERROR)
        return Fail(FailureReport(session, Shown(session, verb) + " on " + Shown(session, path) + " failed",
                                  execution.error, {path, verb}));
    return 0;
}

}  // namespace host
