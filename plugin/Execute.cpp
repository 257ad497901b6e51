// The execute export: "properties" on a bookmark shows its fields in a box
// for every bookmark of that path; every other verb does nothing.
#include <string_view>

#include "Barrier.h"
#include "ScanState.h"
#include "TANSY_WFX.h"
#include "Walk.h"

namespace {

// Narrowed through the code page, so the caption reads right on any system.
constexpr std::u16string_view kPropertiesCaption = u"Параметры закладки";

// The listing shows a name of more than 260 bytes cut to its first 260.
constexpr size_t kShownNameLimit = MAX_PATH;

// The host's path of the bookmarks asked for, and the folder the scan is in
// as ANSI text, made again only when a bookmark meets a folder that changed.
struct TRequest {
    std::string_view RemoteName;
    AnsiString Folder;  // the current folder's path with a closing "\"
    bool FolderMoved = true;
};

// The name that the request gives a bookmark of the current folder; false
// when the requested path lies in no such place.
bool NameInFolder(const THotlistWalk& walk, TRequest& request, std::string_view& shown)
{
    if (request.FolderMoved) {
        AssignAnsiFromWide(request.Folder, walk.CurPath);
        if (request.Folder.empty() || request.Folder.back() != '\\') request.Folder += '\\';
        request.FolderMoved = false;
    }
    if (!request.RemoteName.starts_with(request.Folder)) return false;
    shown = request.RemoteName.substr(request.Folder.size());
    return true;
}

// True when the bookmark named `name` is the entry the host showed as `shown`.
bool IsShownAs(std::string_view name, std::string_view shown)
{
    if (shown == name) return true;
    return name.size() > kShownNameLimit && shown == SubText(name, 1, kShownNameLimit);
}

void ShowProperties(HWND mainWin, const TTansyBookmarkUrl& url)
{
    const AnsiString text = AnsiFromWide(FormatBookmarkProperties(url));
    const AnsiString caption = AnsiFromWide(kPropertiesCaption);
    MessageBoxA(mainWin, text.c_str(), caption.c_str(), MB_OK);
}

// What the scan reads each bookmark into, kept from one block to the next.
struct TBookmarkScratch {
    TTansyBookmarkUrl Url;
    TKeptUrlTexts Kept;
    AnsiString Name;  // the bookmark's name decoded for show
};

// A bookmark's text fields are converted only when its folder is the one the
// request lies in, and all of them only when its box is shown.
void ScanBookmark(THotlistWalk& walk, HWND mainWin, TRequest& request, TBookmarkScratch& scratch)
{
    std::string_view shown;
    if (!NameInFolder(walk, request, shown)) {
        ReadBookmarkWithoutTexts(walk, scratch.Url);
        return;
    }
    ReadBookmarkKeepingTexts(walk, scratch.Url, scratch.Kept);
    StoreKeptName(scratch.Kept, scratch.Url);
    AssignAnsiFromUtf8(scratch.Name, scratch.Url.Name);
    if (!IsShownAs(scratch.Name, shown)) return;
    StoreKeptTexts(scratch.Kept, scratch.Url);
    ShowProperties(mainWin, scratch.Url);
}

void PropertiesScan(THotlistWalk& walk, HWND mainWin, std::string_view remoteName)
{
    // Each scan starts at the root, whatever an earlier pass left behind.
    StartPass(walk);
    TRequest request;
    request.RemoteName = remoteName;
    TTansyBookmarkDir dir;
    TBookmarkScratch scratch;
    while (!AtFileEnd(walk)) {
        if (OnFolderLine(walk)) {
            ReadFolderIntoPath(walk, dir);
            request.FolderMoved = true;
        } else if (OnUrlLine(walk)) {
            ScanBookmark(walk, mainWin, request, scratch);
        }
        if (!ReadNextMarkedLine(walk)) break;
        if (OnFolderEnd(walk)) {
            StepUpCurPath(walk);
            request.FolderMoved = true;
        }
    }
    EndPass(walk);
}

}  // namespace

int WINAPI FsExecuteFile(HWND MainWin, char* RemoteName, char* Verb)
{
    if (Verb == nullptr || std::string_view(Verb) != "properties") return FS_EXEC_OK;
    if (ScanBusy) {
        SetLastError(ERROR_BUSY);
        return FS_EXEC_ERROR;
    }
    const TScanBusyMark busy;
    THotlistWalk& walk = ScanWalk;
    return Guarded(
        [&] {
            PropertiesScan(walk, MainWin, VirtualPath(RemoteName));
            return FS_EXEC_OK;
        },
        [&](DWORD code) {
            AbandonPass(walk);
            SetLastError(code);
            return FS_EXEC_ERROR;
        });
}
