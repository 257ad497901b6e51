#include "LinkedLibrary.h"

#include <algorithm>

#include "Boxes.h"
#include "LinkedExports.h"
#include "ScanState.h"
#include "Utf8.h"

namespace {

std::vector<std::string> gBoxes;
void (*gBoxObserver)(void*) = nullptr;
void* gBoxObserverContext = nullptr;

void RecordBox(const host::MessageBoxCall& box)
{
    if (gBoxObserver != nullptr) gBoxObserver(gBoxObserverContext);
    const auto shown = box.unicode ? &host::EscUnicode : &host::Esc;
    gBoxes.push_back(std::string(box.unicode ? "boxw " : "box ") + std::to_string(box.style) +
                     (box.owner == nullptr ? " none " : " owned ") + shown(box.caption) + "|" + shown(box.text));
}

// A record's name as these helpers give it.
std::string NameText(const WIN32_FIND_DATAA& record)
{
    return host::NameOf(record);
}

std::string NameText(const WIN32_FIND_DATAW& record)
{
    return host::Utf8FromUtf16(host::NameOf(record));
}

// The answer's text for a call that handed over a record.
template <typename Record>
std::string EntryText(const Record& record)
{
    if (host::Untouched(record)) return " untouched";
    if (!host::NameEndsInRecord(record)) return " unterminated";
    return " " + host::RecordFields(record);
}

std::string ErrorText(DWORD error)
{
    return " error=" + std::to_string(error);
}

template <typename Record>
CallAnswer Worded(const host::BasicFindAnswer<Record>& found, const std::string& shownPath)
{
    CallAnswer answer;
    answer.Result = found.result;
    const std::string result = std::to_string(found.result);
    switch (found.step) {
    case host::FindStep::First:
        answer.Text = "first " + shownPath + " = " + result +
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
        answer.Name = NameText(found.record);
    }
    return answer;
}

// Lists `path` through the exports of `form`, calling `after` with each
// answer; true when the listing gave up.
template <typename After>
bool ListIn(Interface form, const std::string& path, host::BasicListingOptions<WIN32_FIND_DATAA> options,
            After after)
{
    if (form == Interface::Ansi) {
        options.after = after;
        return host::ListFolder(LinkedLibrary(), path, options);
    }
    host::ListingOptionsW wide;
    wide.close = options.close;
    wide.maxNexts = options.maxNexts;
    wide.after = after;
    return host::ListFolder(LinkedLibrary(), host::Utf16FromUtf8(path), wide);
}

std::string Shown(Interface form, const std::string& text)
{
    return form == Interface::Ansi ? host::Esc(text) : host::EscUnicode(text);
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
    TansySetMessageBoxHookW(&host::OnMessageBoxW);
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

Transcript ListFolder(Interface form, const std::string& path, bool close, AfterCall after, void* context,
                      size_t maxEntries)
{
    Transcript transcript;
    host::ListingOptions options;
    options.close = close;
    options.maxNexts = maxEntries;
    ListIn(form, path, options, [&](const auto& found) {
        transcript.push_back(Worded(found, Shown(form, path)));
        if (after != nullptr) after(transcript, context);
    });
    return transcript;
}

Transcript Execute(Interface form, const std::string& path, const std::string& verb)
{
    TakeBoxes();
    const host::ExecuteAnswer executed =
        form == Interface::Ansi
            ? host::CallExecuteFile(LinkedLibrary(), nullptr, path, verb)
            : host::CallExecuteFileW(LinkedLibrary(), nullptr, host::Utf16FromUtf8(path), host::Utf16FromUtf8(verb));
    CallAnswer answer("exec " + Shown(form, verb) + " " + Shown(form, path) + " = " +
                      std::to_string(executed.result) + (executed.result != 0 ? ErrorText(executed.error) : ""));
    answer.Result = executed.result;
    if (executed.result != 0) answer.Error = executed.error;
    Transcript transcript = {answer};
    for (std::string& box : TakeBoxes()) transcript.push_back({box});
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
void CollectFolders(Interface form, const std::string& path, std::vector<std::string>& folders, int depth)
{
    folders.push_back(path);
    if (depth > 64 || folders.size() > 2000) return;
    std::vector<std::string> children;
    const std::string prefix = path == "\\" ? path : path + "\\";
    ListIn(form, path, {}, [&](const auto& found) {
        if (!found.found || !(found.record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !host::NameEndsInRecord(found.record))
            return;
        const std::string child = prefix + NameText(found.record);
        if (std::find(children.begin(), children.end(), child) == children.end()) children.push_back(child);
    });
    for (const std::string& child : children) CollectFolders(form, child, folders, depth + 1);
}

}  // namespace

std::vector<std::string> AllFolders(Interface form)
{
    std::vector<std::string> folders;
    CollectFolders(form, "\\", folders, 0);
    return folders;
}
