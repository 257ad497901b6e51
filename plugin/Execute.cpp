// The execute export: "properties" on a bookmark shows its fields in a box
// for every bookmark of that path; every other verb does nothing.
#include <string_view>

#include "Barrier.h"
#include "TANSY_WFX.h"
#include "Walk.h"

namespace {

// Narrowed through the code page, so the caption reads right on any system.
constexpr std::u16string_view kPropertiesCaption = u"Параметры закладки";

// The listing shows a name of more than 260 bytes cut to its first 260.
constexpr size_t kShownNameLimit = MAX_PATH;

// The current folder's path as ANSI text with a closing "\\": the beginning
// of the path of every bookmark in it.
void FolderPrefix(AnsiString& folder)
{
    AssignAnsiFromWide(folder, CurPath);
    if (folder.empty() || folder.back() != '\\') folder += '\\';
}

// The name that `remoteName` gives a bookmark of the folder `folder` (from
// FolderPrefix); false when remoteName lies in no such place.
bool NameInFolder(std::string_view remoteName, std::string_view folder, std::string_view& shown)
{
    if (remoteName.size() < folder.size() || remoteName.substr(0, folder.size()) != folder) return false;
    shown = remoteName.substr(folder.size());
    return true;
}

// True when the bookmark named `name` is the entry the host showed as `shown`.
bool IsShownAs(std::string_view name, std::string_view shown)
{
    if (shown == name) return true;
    return name.size() > kShownNameLimit && shown == name.substr(0, kShownNameLimit);
}

void ShowProperties(HWND mainWin, const TTansyBookmarkUrl& url)
{
    const AnsiString text = AnsiFromWide(FormatBookmarkProperties(url));
    const AnsiString caption = AnsiFromWide(kPropertiesCaption);
    MessageBoxA(mainWin, text.c_str(), caption.c_str(), MB_OK);
}

void PropertiesScan(HWND mainWin, std::string_view remoteName)
{
    OpenTextForReading(HotlistText, HotlistFileName);
    CurLine = u" ";
    SkipToFirstEntry(HotlistText, CurLine);
    // Each scan starts at the root, whatever an earlier pass left behind.
    CurPath = u"\\";
    TTansyBookmarkDir dir;
    TTansyBookmarkUrl url;
    // A bookmark's text fields are converted only when its folder is the one
    // remoteName lies in, and all of them only when its box is shown.
    TKeptUrlTexts texts;
    AnsiString folder;  // kept up with CurPath
    AnsiString name;
    FolderPrefix(folder);
    while (!HotlistAtEnd(HotlistText)) {
        if (CurLine == kFolderMarker) {
            ReadDirBlock(HotlistText, CurLine, dir);
            JoinToCurPath(ShownName(dir.Name));
            FolderPrefix(folder);
        } else if (CurLine == kUrlMarker) {
            ReadUrlBlockKeepingTexts(HotlistText, CurLine, url, texts);
            std::string_view shown;
            if (NameInFolder(remoteName, folder, shown)) {
                StoreKeptName(texts, url);
                AssignAnsiFromUtf8(name, url.Name);
                if (IsShownAs(name, shown)) {
                    StoreKeptTexts(texts, url);
                    ShowProperties(mainWin, url);
                    FolderPrefix(folder);
                }
            }
        }
        if (!ReadNextMarkedLine()) break;
        if (CurLine == kFolderEnd) {
            StepUpCurPath();
            FolderPrefix(folder);
        }
    }
    CloseTextFile(HotlistText);
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
    return Guarded(
        [&] {
            PropertiesScan(MainWin, VirtualPath(RemoteName));
            return FS_EXEC_OK;
        },
        [](DWORD code) {
            CloseHotlistQuietly();
            CurPath = u"\\";
            SetLastError(code);
            return FS_EXEC_ERROR;
        });
}
