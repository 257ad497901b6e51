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

// True when the bookmark named `name` in the current folder is the entry the
// host showed under `remoteName`.
bool IsShownAs(const AnsiString& name, std::string_view remoteName)
{
    AnsiString folder = AnsiFromWide(CurPath);
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    if (remoteName.size() < folder.size() || remoteName.substr(0, folder.size()) != folder) return false;
    const std::string_view shown = remoteName.substr(folder.size());
    if (shown == name) return true;
    return name.size() > kShownNameLimit && shown == std::string_view(name).substr(0, kShownNameLimit);
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
    while (!HotlistAtEnd(HotlistText)) {
        if (CurLine == kFolderMarker) {
            ReadDirBlock(HotlistText, CurLine, dir);
            JoinToCurPath(ShownName(dir.Name));
        } else if (CurLine == kUrlMarker) {
            ReadUrlBlock(HotlistText, CurLine, url);
            if (IsShownAs(AnsiFromUtf8(url.Name), remoteName)) ShowProperties(mainWin, url);
        }
        ReadNextLine();
        if (CurLine == kFolderEnd) StepUpCurPath();
    }
    CloseTextFile(HotlistText);
}

}  // namespace

int WINAPI FsExecuteFile(HWND MainWin, char* RemoteName, char* Verb)
{
    if (Verb == nullptr || std::string_view(Verb) != "properties") return FS_EXEC_OK;
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
