// Error lines for a person: what failed, on which file, and why.
#pragma once

#include <string>

#include "Session.h"

namespace host {

// Why a call failed, from the last-error value the library left.
std::string ReasonOf(DWORD code);

// A request of the library that failed, so that it can be made again.
struct FailedRequest {
    std::string path;  // ANSI bytes
    std::string verb;  // FsExecuteFile's verb; empty: a listing of the folder `path`
};

// "ACTION: <why>", naming the hotlist and, for a value that is not a number,
// the line that holds it.
std::string FailureReport(const Session& session, const std::string& action, DWORD code,
                          const FailedRequest& request);

}  // namespace host
