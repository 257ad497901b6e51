#include "LinkedLibrary.h"

#include <algorithm>

#include "Boxes.h"
#include "LinkedExports.h"
#include "ScanState.h"

namespace {

std::vector<std::string> gBoxes;
void (*gBoxObserver)(void*) = nullptr;
void* gBoxObserverContext = nullptr;

void RecordBox(const host::MessageBoxCall& box)
{
    if (gBoxObserver != nullptr) gBoxObserver(gBoxObserverContext);
    gBoxes.push_back(std::to_string(box.style) + (box.owner == nullptr ? " none " : " owned ") +
                     host::Esc(box.caption) + "|" + host::Esc(box.text));
}

// The answer's text for a call that handed over a record.
std::string EntryText(const WIN32_FIND_DATAA& record)
{
    if (host::Untouched(record)) return " untouched";
    if (!host::NameEndsInRecord(record)) return " unterminated";
    return " " + host::RecordFields(record);
}

std::string ErrorText(DWORD error)
{
    return " error=" + std::to_string(error);
}

CallAnswer Worded(const host::FindAnswer& found, const std::string& path)
{
    CallAnswer answer;
    answer.Result = found.result;
    const std::string result = std::to_string(found.result);
    switch (found.step) {
    case host::FindStep::First:
        answer.Text = "first " + host::Esc(path) + " = " + result +
                      (found.found ? EntryText(found.record) : ErrorText(found.error));
        break;
    case host::FindStep::Next:
        answer.Text = "next = " + result + (found.found ? EntryText(found.record) : ErrorText(found.error));
        break;
    case host::FindStep::Close: answer.Text = "close = " + result; return answer;
    }
    if (!found.found) answer.Error = found.error;
    if (found.found && !host::Untouched(found.record) && host::NameEndsInRecord(found.record)) {
        answer.HasEntry = true;
        answer.IsFolder = (found.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        answer.Name = host::NameOf(found.record);
    }
    return answer;
}

}  // namespace

const host::DrivenLibrary& LinkedLibrary()
{
    return host::kLinkedExports;
}

void UseHotlist(const std::string& path)
{
    HotlistFileName = TextToShort(path);
    TansySetMessageBoxHook(&host::OnMessageBox);
    host::SetMessageBoxListener(&RecordBox);
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

Transcript ListFolder(const std::string& path, bool close, AfterCall after, void* context, size_t maxEntries)
{
    Transcript transcript;
    host::ListingOptions options;
    options.close = close;
    options.maxNexts = maxEntries;
    options.after = [&](const host::FindAnswer& found) {
        transcript.push_back(Worded(found, path));
        if (after != nullptr) after(transcript, context);
    };
    host::ListFolder(LinkedLibrary(), path, options);
    return transcript;
}

Transcript Execute(const std::string& path, const char* verb)
{
    TakeBoxes();
    const host::ExecuteAnswer executed = host::CallExecuteFile(LinkedLibrary(), nullptr, path, verb);
    CallAnswer answer("exec " + host::Esc(verb) + " " + host::Esc(path) + " = " +
                      std::to_string(executed.result) + (executed.result != 0 ? ErrorText(executed.error) : ""));
    answer.Result = executed.result;
    if (executed.result != 0) answer.Error = executed.error;
    Transcript transcript = {answer};
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
    const std::string prefix = path == "\\" ? path : path + "\\";
    host::ListingOptions options;
    options.after = [&](const host::FindAnswer& found) {
        if (!found.found || !(found.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !host::NameEndsInRecord(found.record))
            return;
        const std::string child = prefix + host::NameOf(found.record);
        if (std::find(children.begin(), children.end(), child) == children.end()) children.push_back(child);
    };
    host::ListFolder(LinkedLibrary(), path, options);
    for (const std::string& child : children) CollectFolders(child, folders, depth + 1);
}

}  // namespace

std::vector<std::string> AllFolders()
{
    std::vector<std::string> folders;
    CollectFolders("\\", folders, 0);
    return folders;
}
