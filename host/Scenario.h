// Scenarios of the host harness: one call of the library's exports per line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

enum class CallKind { Init, Root, Status, First, Next, Close, List, Exec, Inbox };

struct ScenarioCall {
    CallKind kind = CallKind::Init;
    int32_t first = 0;   // init NR, root MAXLEN, status STARTEND, next and close HANDLE
    int32_t second = 0;  // status INFOKIND
    bool namesHandle = false;  // next HANDLE, close HANDLE (else the handle of the last first)
    // The Unicode form of the call (initw, statusw, firstw, nextw, listw,
    // execw): its path and verb are UTF-8 text for UTF-16, an unpaired
    // surrogate in the three-byte form Utf8FromUtf16 writes.
    bool unicode = false;
    std::string path;    // bytes, %HH (and for a Unicode call %uHHHH) decoded
    std::string verb;
    std::vector<ScenarioCall> queued;  // inbox LINE: the one call of LINE
    size_t line = 0;     // where the call stands in the scenario
};

// Parses a whole scenario; false with "line N: reason" at the first line that
// is no call.
bool ParseScenario(const std::string& text, std::vector<ScenarioCall>& calls, std::string& error);

// The scenario line of a call, numbers in decimal and texts in Esc form (the
// Unicode calls' in EscUnicode form); a list is shown as its first call (the
// call that inbox queues, as written).
std::string CallText(const ScenarioCall& call);

}  // namespace host
