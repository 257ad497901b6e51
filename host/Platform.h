// What the host needs from the operating system, one implementation per
// platform (PlatformPosix.cpp, PlatformWin32.cpp; CMake picks the file).
// Strings that a person reads or types are UTF-8 on every platform; strings
// handed to the library are bytes in the library's ANSI code page.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ExportDriver.h"

namespace host {

// A loaded plugin library.
struct Library;

// Loads the library at `path`; null and a reason in `error` when it cannot.
Library* LoadPluginLibrary(const std::filesystem::path& path, std::string& error);
void UnloadPluginLibrary(Library* library);
// The address of an export, null when the library lacks it.
void* FindExport(Library* library, const char* name);

// Makes every message box the library shows reach OnMessageBox (Boxes.h)
// instead of a person, and its last-error value readable; false with a
// reason when the library does not allow that.
bool PrepareHarness(Library* library, std::string& error);
// How to read the library's last-error value right after an export returned,
// and to set it to 0 before a call whose failure shows only in it, where the
// platform allows that. Valid once PrepareHarness has succeeded.
LastErrorAccess LastErrorOf(Library* library);

// The host's main window, made on the first call: a top-level window of the
// host's own class, or of the file manager's class when `fileManagerClass`.
HWND MainWindow(bool fileManagerClass);
void CloseMainWindow();

// The name of the library built beside the host (TANSY_WFX.wfx, .wfx64 for a
// 64-bit Windows host).
std::string DefaultLibraryFileName();
std::filesystem::path ExecutablePath();

// A new empty folder that only this user can read, in the system's
// temporary folder; throws std::filesystem::filesystem_error on failure.
std::filesystem::path MakePrivateFolder();

// Removes these files of a private folder, then the folder, should the
// process die of a signal (Ctrl-C, or a crash inside the library); the
// folders registered last go first. Forgetting a folder forgets those
// registered after it too. Windows removes nothing then.
void RemoveOnFatalSignal(const std::filesystem::path& folder, const std::vector<std::string>& files);
void ForgetOnFatalSignal(const std::filesystem::path& folder);

// The command line as UTF-8 strings, the program name first.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
// Prepares standard output for bytes and UTF-8 text.
void PrepareConsole();

// Paths typed by a person (UTF-8) and paths shown to one.
std::filesystem::path PathFromUtf8(const std::string& text);
std::string Utf8FromPath(const std::filesystem::path& path);
// A file path as the library's ANSI text; false when a character of the path
// has no byte in the code page.
bool AnsiFromPath(const std::filesystem::path& path, std::string& ansi);

// Chooses the library's ANSI code page before it is loaded; false when this
// platform cannot (on Windows the system's code page rules).
bool SelectCodePage(int codePage);
// The library's ANSI code page as the host will read it.
int AnsiCodePage();
// ANSI text of the library as UTF-8; never fails (bytes without a character
// become the character of the same number, or U+FFFD in UTF-8).
std::string Utf8FromAnsi(const std::string& ansi);
// UTF-8 text as the library's ANSI text; false when a character has no byte
// in the code page or the text is not valid UTF-8.
bool AnsiFromUtf8(const std::string& utf8, std::string& ansi);

}  // namespace host
