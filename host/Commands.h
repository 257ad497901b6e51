// The commands a person runs: ls, tree, count, props and exec. Paths and verbs are
// the library's ANSI bytes; each returns the program's exit status.
#pragma once

#include <string>
#include <vector>

#include "Session.h"

namespace host {

int ListCommand(Session& session, const std::string& path, bool json);
int TreeCommand(Session& session, const std::string& path, bool json);
int CountCommand(Session& session, const std::string& path, bool json);
int PropertiesCommand(Session& session, const std::string& path, bool fileManagerClass);
int ExecuteCommand(Session& session, const std::string& verb, const std::string& path,
                   bool fileManagerClass);

// Shared by the commands.

// Checks that the library has the `wanted` exports and calls FsInit, as the
// file manager does after loading a plugin; false after reporting.
bool StartPlugin(Session& session, const std::vector<std::string>& wanted);
// Prints "tansy: MESSAGE" on standard error and returns 1.
int Fail(const std::string& message);
// The library's text as UTF-8, for a person.
std::string Shown(const std::string& ansi);

}  // namespace host
