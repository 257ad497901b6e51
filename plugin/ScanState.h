// The state that every pass over the hotlist shares: one set per loaded
// library. A listing and a properties request must never overlap. The walk
// holds the pass's place in the file (CurLine, CurPath, the depths and the
// listed path); it moves only through the steps of Walk.h.
#pragma once

#include <cstdint>

#include "PLUGIN_Types.h"
#include "Text.h"
#include "TextFile.h"

struct THotlistWalk;

extern ShortString HotlistFileName;
extern TTextFile HotlistText;
extern THotlistWalk HotlistWalk;
// Set while a properties scan runs, boxes included: a host that calls in from
// inside a box must find the scan's state left alone.
extern bool ScanBusy;

extern int32_t PluginNr;
extern tProgressProc ProgressProc;
extern tLogProc LogProc;
extern tRequestProc RequestProc;

// Marks the properties scan as running for as long as it lives, however the
// scan ends.
struct TScanBusyMark {
    TScanBusyMark() noexcept { ScanBusy = true; }
    ~TScanBusyMark() { ScanBusy = false; }
    TScanBusyMark(const TScanBusyMark&) = delete;
    TScanBusyMark& operator=(const TScanBusyMark&) = delete;
};
