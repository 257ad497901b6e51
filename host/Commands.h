// The commands a person runs: ls, tree, count, props and exec. Paths, verbs
// and names are the session's text (Session::unicode); each returns the
// program's exit status.
#pragma once

#include <string>
#include <vector>

#include "Boxes.h"
#include "Session.h"

namespace host {

int ListCommand(Session& session, const std::string& path, bool json);
int TreeCommand(Session& session, const std::string& path, bool json);
int CountCommand(Session& session, const std::string& path, bool json);
int PropertiesCommand(Session& session, const std::string& path, bool fileManagerClass);
int ExecuteCommand(Session& session, const std::string& verb, const std::string& path,
                   bool fileManagerClass);

// Shared by the commands.

// The exports a command calls besides FsInit, by their ANSI names.
std::vector<std::string> CommandExports(const std::string& command);
// Makes the session speak the Unicode interface, as current file managers
// do, where the library exports the Unicode form of each of `exports` and
// the ANSI interface was not asked for.
void ChooseInterface(Session& session, const std::vector<std::string>& exports, bool ansi);
// Checks that the library has the `wanted` exports (their Unicode forms in a
// Unicode session) and calls FsInit (FsInitW where the session speaks
// Unicode and the library has it), as the file manager does after loading a
// plugin; false after reporting.
bool StartPlugin(Session& session, const std::vector<std::string>& wanted);
// Prints "tansy: MESSAGE" on standard error and returns 1.
int Fail(const std::string& message);
// The session's text, or a box's, as UTF-8 for a person.
std::string Shown(const Session& session, const std::string& text);
std::string Shown(const MessageBoxCall& box, const std::string& text);
// FsExecuteFile, or FsExecuteFileW in a Unicode session.
ExecuteAnswer ExecuteIn(const Session& session, HWND window, const std::string& path, const std::string& verb);

}  // namespace host
