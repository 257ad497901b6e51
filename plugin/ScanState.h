// The state that every pass over the hotlist shares: one set per loaded
// library. A listing and a properties request must never overlap. The
// readers' working storage beside HotlistText and CurLine is HotlistReader
// (HotlistReader.h); CurPath changes only through the moves of Walk.h.
#pragma once

#include <cstdint>

#include "PLUGIN_Types.h"
#include "Text.h"
#include "TextFile.h"

extern ShortString HotlistFileName;
extern TTextFile HotlistText;
extern WideString CurLine;
extern WideString CurPath;
extern int32_t CurDepth;
extern int32_t ListDepth;
extern AnsiString FindPath;
// Set while a properties scan runs, boxes included: a host that calls in from
// inside a box must find the scan's state left alone.
extern bool ScanBusy;

extern int32_t PluginNr;
extern tProgressProc ProgressProc;
extern tLogProc LogProc;
extern tRequestProc RequestProc;

// Closes the hotlist file if a pass left it open; a failing close is ignored.
void CloseHotlistQuietly();

// Marks the properties scan as running for as long as it lives, however the
// scan ends.
struct TScanBusyMark {
    TScanBusyMark() noexcept { ScanBusy = true; }
    ~TScanBusyMark() { ScanBusy = false; }
    TScanBusyMark(const TScanBusyMark&) = delete;
    TScanBusyMark& operator=(const TScanBusyMark&) = delete;
};
