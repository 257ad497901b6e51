// The host on Windows: LoadLibrary, patched imports of MessageBoxA and
// MessageBoxW to observe the library's boxes, the thread's own last-error value, a real main window
// and the system's ANSI code page.
#include "Platform.h"  // <windows.h> first: the other system headers need it

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "Boxes.h"

namespace host {

struct Library {
    HMODULE module = nullptr;
};

namespace {

int WINAPI RecordingMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    return OnMessageBox(owner, text, caption, style);
}

int WINAPI RecordingMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style)
{
    return OnMessageBoxW(owner, text, caption, style);
}

std::wstring WideFromCodePage(UINT codePage, const std::string& text, DWORD flags = 0)
{
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(),
                            length);
    return wide;
}

std::string Utf8FromWide(const std::wstring& wide)
{
    if (wide.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
    return text;
}

// Wide text in the ANSI code page; false when a character has no byte there.
bool AnsiFromWide(const std::wstring& wide, std::string& ansi)
{
    ansi.clear();
    if (wide.empty()) return true;
    if (GetACP() == CP_UTF8) {
        ansi = Utf8FromWide(wide);
        return true;
    }
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                           static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                           &usedDefault);
    if (length <= 0 || usedDefault) return false;
    ansi.resize(static_cast<size_t>(length));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        ansi.data(), length, nullptr, &usedDefault);
    return !usedDefault;
}

std::string SystemMessage(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring message = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    std::string text = Utf8FromWide(message);
    // Messages such as "Bad EXE format for %1" expect the file's name there.
    for (size_t at = text.find("%1"); at != std::string::npos; at = text.find("%1", at))
        text.replace(at, 2, "the file");
    return (text.empty() ? "Windows error" : text) + " (error " + std::to_string(code) + ")";
}

// Points the module's import of `function` from `dll` (the DLL's name
// compared without case) at `replacement`. The import's name is read from
// the lookup table; a module bound without one is matched by address.
bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return false;

    HMODULE systemDll = GetModuleHandleA(dll);
    void* original = systemDll ? reinterpret_cast<void*>(GetProcAddress(systemDll, function)) : nullptr;
    bool patched = false;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        const auto* lookup = entry->OriginalFirstThunk
                                 ? reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk)
                                 : nullptr;
        for (; slot->u1.Function != 0; ++slot, lookup = lookup ? lookup + 1 : nullptr) {
            bool match = false;
            if (lookup && !IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal)) {
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + lookup->u1.AddressOfData);
                match = std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0;
            } else if (!lookup) {
                match = original && reinterpret_cast<void*>(slot->u1.Function) == original;
            }
            if (!match) continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE,
                                &protection))
                return false;
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
            patched = true;
        }
    }
    return patched;
}

HWND Window = nullptr;

// The library sets the thread's own value, as every Windows call does.
DWORD ThreadLastError()
{
    return GetLastError();
}

void SetThreadLastError(DWORD code)
{
    SetLastError(code);
}

}  // namespace

Library* LoadPluginLibrary(const std::filesystem::path& path, std::string& error)
{
    std::error_code ignored;
    const std::filesystem::path full = std::filesystem::absolute(path, ignored);
    HMODULE module = LoadLibraryExW(full.wstring().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        error = SystemMessage(GetLastError());
        return nullptr;
    }
    return new Library{module};
}

void UnloadPluginLibrary(Library* library)
{
    if (!library) return;
    FreeLibrary(library->module);
    delete library;
}

void* FindExport(Library* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(library->module, name));
}

bool PrepareHarness(Library* library, std::string& error)
{
    if (!PatchImport(library->module, "USER32.dll", "MessageBoxA",
                     reinterpret_cast<void*>(&RecordingMessageBoxA))) {
        error = "the library does not import MessageBoxA from USER32.dll, so its boxes cannot be observed";
        return false;
    }
    // A library without the Unicode interface does not import MessageBoxW.
    PatchImport(library->module, "USER32.dll", "MessageBoxW", reinterpret_cast<void*>(&RecordingMessageBoxW));
    return true;
}

LastErrorAccess LastErrorOf(Library*)
{
    return {&ThreadLastError, &SetThreadLastError};
}

HWND MainWindow(bool fileManagerClass)
{
    if (Window) return Window;
    const char* className = fileManagerClass ? "TTOTAL_CMD" : "TansyHostWindow";
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("cannot register the main window's class: " +
                                 SystemMessage(GetLastError()));
    // A top-level window, never shown: the library only looks it up by class.
    Window = CreateWindowExA(0, className, "tansy", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, windowClass.hInstance,
                             nullptr);
    if (!Window)
        throw std::runtime_error("cannot create the main window: " + SystemMessage(GetLastError()));
    return Window;
}

void CloseMainWindow()
{
    if (Window) DestroyWindow(Window);
    Window = nullptr;
}

std::string DefaultLibraryFileName()
{
    return sizeof(void*) == 8 ? "TANSY_WFX.wfx64" : "TANSY_WFX.wfx";
}

std::filesystem::path ExecutablePath()
{
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(length);
    return buffer;
}

std::filesystem::path MakePrivateFolder()
{
    // The user's temporary folder is the user's own; the name only has to be new.
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    for (int attempt = 0;; ++attempt) {
        const std::filesystem::path folder =
            temp / ("tansy-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount()) + "-" + std::to_string(counter++));
        std::error_code failed;
        if (std::filesystem::create_directory(folder, failed)) return folder;
        if (attempt == 100 || (failed && failed != std::errc::file_exists))
            throw std::filesystem::filesystem_error("cannot make a temporary folder", folder, failed);
    }
}

void RemoveOnFatalSignal(const std::filesystem::path&, const std::vector<std::string>&) {}

void ForgetOnFatalSignal(const std::filesystem::path&) {}

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

void PrepareConsole()
{
    // Scenarios and transcripts are bytes: no CR LF turns into LF on the way
    // in, no LF into CR LF on the way out, and 0x1A ends nothing.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

std::filesystem::path PathFromUtf8(const std::string& text)
{
    return std::filesystem::path(WideFromCodePage(CP_UTF8, text));
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
    return Utf8FromWide(path.wstring());
}

bool AnsiFromPath(const std::filesystem::path& path, std::string& ansi)
{
    return AnsiFromWide(path.wstring(), ansi);
}

bool SelectCodePage(int)
{
    return false;
}

int AnsiCodePage()
{
    return static_cast<int>(GetACP());
}

std::string Utf8FromAnsi(const std::string& ansi)
{
    return Utf8FromWide(WideFromCodePage(CP_ACP, ansi));
}

bool AnsiFromUtf8(const std::string& utf8, std::string& ansi)
{
    const std::wstring wide = WideFromCodePage(CP_UTF8, utf8, MB_ERR_INVALID_CHARS);
    if (wide.empty() && !utf8.empty()) return false;
    return AnsiFromWide(wide, ansi);
}

}  // namespace host
