// Error lines for a person: what failed, on which file, and why.
#pragma once

#include <string>

#include "Session.h"

namespace host {

// Why a call failed, from the last-error value the library left.
std::string ReasonOf(DWORD code);

// "ACTION: <why>", naming the hotlist and, for a value that is not a number,
// the line that holds it: in a listing of the folder `listed` (ANSI), or,
// with no folder, in a scan of the whole file.
std::string FailureReport(const Session& session, const std::string& action, DWORD code,
                          const std::string* listed = nullptr);

// A virtual path of the library (ANSI bytes) as a person reads it.
std::string ShownPath(const std::string& path);

}  // namespace host
