// The library's state: one set per loaded library. The properties scan
// reads HotlistText through ScanWalk, which holds its place in the file
// (CurLine, CurPath); each listing has a walk of its own (Listings.h).
// Walks move only through the steps of Walk.h.
#pragma once

#include <cstdint>

#include "PLUGIN_Types.h"
#include "Text.h"
#include "TextFile.h"

struct THotlistWalk;

extern ShortString HotlistFileName;
extern TTextFile HotlistText;
extern THotlistWalk ScanWalk;  // the properties scan's
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
