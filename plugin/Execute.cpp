// The execute exports: "properties" on a bookmark shows its fields in a box
// for every bookmark of that path; every other verb does nothing.
#include <string_view>

#include "Barrier.h"
#include "Passes.h"
#include "ScanState.h"
#include "TANSY_WFX.h"

namespace {

constexpr std::u16string_view kPropertiesCaption = u"Параметры закладки";

// How the scan compares and shows names for hosts that take them as ANSI
// text of the code page.
struct TAnsiNames {
    using Text = AnsiString;
    using View = std::string_view;
    static constexpr TNameForm Form = nfAnsi;
    // The listing shows a name of more than 260 bytes cut to its first 260.
    static constexpr size_t kShownNameLimit = MAX_PATH;

    static void Narrow(Text& target, const WideString& path) { AssignAnsiFromWide(target, path); }
    static void Decode(Text& target, const AnsiString& utf8) { AssignAnsiFromUtf8(target, utf8); }
    static size_t ShownLength(View name) { return std::min(name.size(), kShownNameLimit); }

    static void Show(HWND mainWin, const TTansyBookmarkUrl& url)
    {
        const AnsiString text = AnsiFromWide(FormatBookmarkProperties(url, Form));
        // Narrowed through the code page, so the caption reads right on any system.
        const AnsiString caption = AnsiFromWide(kPropertiesCaption);
        MessageBoxA(mainWin, text.c_str(), caption.c_str(), MB_OK);
    }
};

// The same for hosts that take names as UTF-16.
struct TWideNames {
    using Text = WideString;
    using View = std::u16string_view;
    static constexpr TNameForm Form = nfWide;
    // The listing shows at most 259 units of a name, and never half a pair.
    static constexpr size_t kShownNameLimit = MAX_PATH - 1;

    static void Narrow(Text& target, const WideString& path) { target = path; }
    static void Decode(Text& target, const AnsiString& utf8) { AssignUtf16FromUtf8(target, utf8); }
    static size_t ShownLength(View name) { return UnitsWithinLimit(name, kShownNameLimit); }

    static void Show(HWND mainWin, const TTansyBookmarkUrl& url)
    {
        const WideString text = FormatBookmarkProperties(url, Form);
        const WideString caption(kPropertiesCaption);
        MessageBoxW(mainWin, reinterpret_cast<LPCWSTR>(text.c_str()), reinterpret_cast<LPCWSTR>(caption.c_str()),
                    MB_OK);
    }
};

// The host's path of the bookmarks asked for, and the folder the scan is in
// in the host's form, with the name the path gives a bookmark there: made
// again only when a bookmark meets a folder that changed.
template <class Names>
struct TRequest {
    typename Names::View RemoteName;
    typename Names::Text Folder;  // the current folder's path with a closing "\"
    bool FolderMoved = true;
    bool InFolder = false;        // the path lies in the current folder
    typename Names::View Shown;   // ... and names this bookmark there
};

// The name that the request gives a bookmark of the current folder; false
// when the requested path lies in no such place.
template <class Names>
bool NameInFolder(const THotlistWalk& walk, TRequest<Names>& request, typename Names::View& shown)
{
    if (request.FolderMoved) {
        Names::Narrow(request.Folder, walk.CurPath);
        if (request.Folder.empty() || request.Folder.back() != '\\') request.Folder += '\\';
        request.InFolder = request.RemoteName.starts_with(request.Folder);
        if (request.InFolder) request.Shown = request.RemoteName.substr(request.Folder.size());
        request.FolderMoved = false;
    }
    shown = request.Shown;
    return request.InFolder;
}

// True when the bookmark named `name` is the entry the host showed as `shown`.
template <class Names>
bool IsShownAs(typename Names::View name, typename Names::View shown)
{
    if (shown == name) return true;
    return name.size() > Names::kShownNameLimit && shown == name.substr(0, Names::ShownLength(name));
}

// What the scan reads each bookmark into, kept from one block to the next.
template <class Names>
struct TBookmarkScratch {
    TTansyBookmarkUrl Url;
    TKeptUrlTexts Kept;
    typename Names::Text Name;  // the bookmark's name decoded for show
};

// A bookmark's text fields are converted only when its folder is the one the
// request lies in, and all of them only when its box is shown.
template <class Names>
void ScanBookmark(THotlistWalk& walk, HWND mainWin, TRequest<Names>& request, TBookmarkScratch<Names>& scratch)
{
    typename Names::View shown;
    if (!NameInFolder(walk, request, shown)) {
        ReadBookmarkWithoutTexts(walk, scratch.Url);
        return;
    }
    ReadBookmarkKeepingTexts(walk, scratch.Url, scratch.Kept);
    StoreKeptName(scratch.Kept, scratch.Url);
    Names::Decode(scratch.Name, scratch.Url.Name);
    if (!IsShownAs<Names>(scratch.Name, shown)) return;
    StoreKeptTexts(scratch.Kept, scratch.Url);
    Names::Show(mainWin, scratch.Url);
}

template <class Names>
void PropertiesScan(THotlistWalk& walk, HWND mainWin, typename Names::View remoteName)
{
    // Each scan starts at the root, whatever an earlier pass left behind.
    walk.Form = Names::Form;
    TRequest<Names> request;
    request.RemoteName = remoteName;
    TBookmarkScratch<Names> scratch;
    const auto bookmark = [&] { ScanBookmark(walk, mainWin, request, scratch); };
    ScanEveryBlock(walk, HotlistFileName, bookmark, [&] { request.FolderMoved = true; });
}

bool IsPropertiesVerb(const char* verb)
{
    return verb != nullptr && std::string_view(verb) == "properties";
}

bool IsPropertiesVerb(const WCHAR* verb)
{
    return verb != nullptr && std::u16string_view(reinterpret_cast<const char16_t*>(verb)) == u"properties";
}

// "properties" on the host's path: the scan, guarded, and the busy answer
// to a call that comes in while one of its boxes is up.
template <class Names, class Char>
int ExecuteFile(HWND mainWin, const Char* remoteName, const Char* verb)
{
    if (!IsPropertiesVerb(verb)) return FS_EXEC_OK;
    if (ScanBusy) {
        SetLastError(ERROR_BUSY);
        return FS_EXEC_ERROR;
    }
    const TScanBusyMark busy;
    THotlistWalk& walk = ScanWalk;
    return Guarded(
        [&] {
            PropertiesScan<Names>(walk, mainWin, VirtualPath(remoteName));
            return FS_EXEC_OK;
        },
        [&](DWORD code) {
            AbandonPass(walk);
            SetLastError(code);
            return FS_EXEC_ERROR;
        });
}

}  // namespace

int WINAPI FsExecuteFile(HWND MainWin, char* RemoteName, char* Verb)
{
    return ExecuteFile<TAnsiNames>(MainWin, RemoteName, Verb);
}

int WINAPI FsExecuteFileW(HWND MainWin, WCHAR* RemoteName, WCHAR* Verb)
{
    return ExecuteFile<TWideNames>(MainWin, RemoteName, Verb);
}
