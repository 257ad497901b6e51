// The host on POSIX systems: dlopen, the library's harness exports for boxes
// and the last-error value, and iconv for the library's ANSI code page.
#include <dlfcn.h>
#include <iconv.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <unordered_map>

#include "Boxes.h"
#include "Platform.h"
#include "Utf8.h"
#include "tansy_harness.h"

namespace host {

struct Library {
    void* handle = nullptr;
    DWORD (*getLastError)() = nullptr;
    void (*setLastError)(DWORD) = nullptr;
};

namespace {

int HarnessMessageBox(HWND owner, const char* text, const char* caption, UINT style)
{
    return OnMessageBox(owner, text, caption, style);
}

int HarnessMessageBoxW(HWND owner, const WCHAR* text, const WCHAR* caption, UINT style)
{
    return OnMessageBoxW(owner, text, caption, style);
}

// One byte of a single-byte code page as a character; iconv rejects some
// bytes that Windows maps to the control character of the same number
// (0x98 in 1251; 0x81, 0x8D, 0x8F, 0x90, 0x9D in 1252).
char32_t CharacterOfByte(iconv_t converter, unsigned char value)
{
    char in[1] = {static_cast<char>(value)};
    unsigned char out[8] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = 1;
    size_t outLeft = sizeof(out);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
        sizeof(out) - outLeft != 4)
        return value;
    return static_cast<char32_t>(out[0] | (out[1] << 8) | (out[2] << 16) | (out[3] << 24));
}

struct SingleByteTable {
    std::array<char32_t, 256> characters{};
    std::unordered_map<char32_t, unsigned char> bytes;
};

// The table of code page 1251 or 1252, made once.
const SingleByteTable& TableOf(int codePage)
{
    static std::unordered_map<int, SingleByteTable> tables;
    auto found = tables.find(codePage);
    if (found != tables.end()) return found->second;
    SingleByteTable& table = tables[codePage];
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t converter = iconv_open("UTF-32LE", name.c_str());
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<unsigned char>(value);
        table.characters[value] =
            converter == reinterpret_cast<iconv_t>(-1) ? byte : CharacterOfByte(converter, byte);
        table.bytes.emplace(table.characters[value], byte);
    }
    if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
    return table;
}

// What a fatal signal removes, kept as plain bytes: the handler may only
// make async-signal-safe calls.
constexpr int FatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// Two private folders (a session and its scratch copy) of four paths each.
constexpr size_t MaxDoomedPaths = 8;
char DoomedPaths[MaxDoomedPaths][4096];
bool DoomedIsFolder[MaxDoomedPaths];
volatile sig_atomic_t DoomedCount = 0;

void RemoveDoomed(int signal)
{
    // Each folder stands before its files: going backwards empties a folder
    // before removing it.
    for (sig_atomic_t i = DoomedCount; i-- > 0;) {
        if (DoomedIsFolder[i]) rmdir(DoomedPaths[i]);
        else unlink(DoomedPaths[i]);
    }
    // The handler was installed to run once: the signal now does what it
    // would have done.
    raise(signal);
}

bool Keep(size_t index, const std::string& path, bool folder)
{
    if (index >= MaxDoomedPaths || path.size() >= sizeof(DoomedPaths[0])) return false;
    std::memcpy(DoomedPaths[index], path.c_str(), path.size() + 1);
    DoomedIsFolder[index] = folder;
    return true;
}

}  // namespace

void RemoveOnFatalSignal(const std::filesystem::path& folder, const std::vector<std::string>& files)
{
    // Written beyond the count first, so the handler never sees half a path.
    size_t count = static_cast<size_t>(DoomedCount);
    if (!Keep(count, folder.string(), true)) return;
    ++count;
    for (const std::string& file : files)
        if (Keep(count, (folder / file).string(), false)) ++count;
    DoomedCount = static_cast<sig_atomic_t>(count);
    struct sigaction action = {};
    action.sa_handler = &RemoveDoomed;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : FatalSignals) {
        struct sigaction old = {};
        // A signal the caller chose to ignore stays ignored.
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

void ForgetOnFatalSignal(const std::filesystem::path& folder)
{
    const std::string path = folder.string();
    for (sig_atomic_t i = 0; i < DoomedCount; ++i)
        if (DoomedIsFolder[i] && path == DoomedPaths[i]) {
            DoomedCount = i;
            return;
        }
}

Library* LoadPluginLibrary(const std::filesystem::path& path, std::string& error)
{
    std::error_code ignored;
    const std::filesystem::path full = std::filesystem::absolute(path, ignored);
    dlerror();
    void* handle = dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : "dlopen failed";
        // dlerror names the file first; the caller names it already.
        const std::string named = full.string() + ": ";
        if (error.compare(0, named.size(), named) == 0) error.erase(0, named.size());
        return nullptr;
    }
    return new Library{handle, nullptr};
}

void UnloadPluginLibrary(Library* library)
{
    if (!library) return;
    dlclose(library->handle);
    delete library;
}

void* FindExport(Library* library, const char* name)
{
    return dlsym(library->handle, name);
}

bool PrepareHarness(Library* library, std::string& error)
{
    auto setHook = reinterpret_cast<void (*)(TansyMessageBoxHook)>(
        FindExport(library, "TansySetMessageBoxHook"));
    library->getLastError =
        reinterpret_cast<DWORD (*)()>(FindExport(library, "TansyGetLastError"));
    library->setLastError =
        reinterpret_cast<void (*)(DWORD)>(FindExport(library, "TansySetLastError"));
    if (!setHook || !library->getLastError) {
        error = std::string("the library does not export ") +
                (setHook ? "TansyGetLastError" : "TansySetMessageBoxHook") +
                ", which a POSIX build of it has";
        return false;
    }
    setHook(&HarnessMessageBox);
    // Builds without the Unicode interface show no Unicode boxes.
    if (auto setHookW = reinterpret_cast<void (*)(TansyMessageBoxHookW)>(
            FindExport(library, "TansySetMessageBoxHookW")))
        setHookW(&HarnessMessageBoxW);
    return true;
}

LastErrorAccess LastErrorOf(Library* library)
{
    // Libraries built before TansySetLastError existed cannot be reset; the
    // driver then compares the value before and after a call.
    return {library->getLastError, library->setLastError};
}

HWND MainWindow(bool)
{
    // No window system here: any distinct non-null handle does, and no
    // window of the file manager's class can ever be found.
    static int window;
    return reinterpret_cast<HWND>(&window);
}

void CloseMainWindow() {}

std::string DefaultLibraryFileName()
{
    return "TANSY_WFX.wfx";
}

std::filesystem::path ExecutablePath()
{
    std::error_code failed;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", failed);
    return failed ? std::filesystem::path("tansy") : path;
}

std::filesystem::path MakePrivateFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tansy-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::filesystem::filesystem_error("cannot make a temporary folder", pattern,
                                                std::error_code(errno, std::generic_category()));
    return pattern;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void PrepareConsole() {}

std::filesystem::path PathFromUtf8(const std::string& text)
{
    return std::filesystem::path(text);
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
    return ValidUtf8(path.string());
}

bool AnsiFromPath(const std::filesystem::path& path, std::string& ansi)
{
    // The library's file calls take the path's bytes as they are.
    ansi = path.string();
    return true;
}

bool SelectCodePage(int codePage)
{
    return setenv("TANSY_CODEPAGE", std::to_string(codePage).c_str(), 1) == 0;
}

int AnsiCodePage()
{
    // As the library reads it: 1251 or 1252, anything else UTF-8.
    const char* value = getenv("TANSY_CODEPAGE");
    if (value && std::strcmp(value, "1251") == 0) return 1251;
    if (value && std::strcmp(value, "1252") == 0) return 1252;
    return 65001;
}

std::string Utf8FromAnsi(const std::string& ansi)
{
    const int codePage = AnsiCodePage();
    if (codePage == 65001) return ValidUtf8(ansi);
    const SingleByteTable& table = TableOf(codePage);
    std::string out;
    for (unsigned char byte : ansi) AppendUtf8(out, table.characters[byte]);
    return out;
}

bool AnsiFromUtf8(const std::string& utf8, std::string& ansi)
{
    ansi.clear();
    const int codePage = AnsiCodePage();
    const SingleByteTable* table = codePage == 65001 ? nullptr : &TableOf(codePage);
    size_t pos = 0;
    while (pos < utf8.size()) {
        const size_t start = pos;
        char32_t code = 0;
        if (!NextUtf8(utf8, pos, code)) return false;
        if (!table) {
            ansi.append(utf8, start, pos - start);
            continue;
        }
        auto found = table->bytes.find(code);
        if (found == table->bytes.end()) return false;
        ansi += static_cast<char>(found->second);
    }
    return true;
}

}  // namespace host
