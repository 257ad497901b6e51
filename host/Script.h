// `tansy script`: runs a scenario against the library and prints the
// transcript of every call.
#pragma once

#include <string>
#include <vector>

#include "Scenario.h"
#include "Session.h"

namespace host {

// Prints the transcript on standard output; the exit status: 0, or 1 when a
// call met a missing export or a listing did not end.
int RunScenario(Session& session, const std::vector<ScenarioCall>& calls, bool fileManagerClass);

}  // namespace host
