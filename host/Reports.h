// Error lines for a person: what failed, on which file, and why.
#pragma once

#include <string>

#include "Session.h"

namespace host {

// Why a call failed, from the last-error value the library left.
std::string ReasonOf(DWORD code);

// "cannot list \News: <why>", naming the hotlist and, for a value that is not
// a number, the first line of the hotlist that holds one.
std::string FailureReport(const Session& session, const std::string& action, DWORD code);

// A virtual path of the library (ANSI bytes) as a person reads it.
std::string ShownPath(const std::string& path);

}  // namespace host
