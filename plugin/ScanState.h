// The state that every pass over the hotlist shares: one set per loaded
// library. A listing and a properties request must never overlap.
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

extern int32_t PluginNr;
extern tProgressProc ProgressProc;
extern tLogProc LogProc;
extern tRequestProc RequestProc;

// Closes the hotlist file if a pass left it open; a failing close is ignored.
void CloseHotlistQuietly();
