// What the passes keep beside HotlistText and CurLine, in one place: the
// buffers that conversions reuse, so that no line allocates, the facts of the
// code page, the kept texts of a bookmark and the marks of CurPath's joins.
// A view into it, or into the text file, is valid until the next line is
// read. One instance, HotlistReader, serves every pass.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "Text.h"
#include "tansy_windows.h"

// The text-field lines of one bookmark block, as ANSI text; empty where the
// block holds none (a field line never is).
struct TKeptUrlTexts {
    AnsiString Name;
    AnsiString Url;
    AnsiString ShortName;
    AnsiString Description;
    AnsiString IconFile;
};

struct THotlistReader {
    // Block lines.
    AnsiString LineText;         // a block line narrowed again from CurLine
    UINT CodePage = 0;           // the code page that BytesAreText was found for
    bool BytesAreText = false;   // it turns every byte into one unit and back into itself
    TKeptUrlTexts Kept;          // of the bookmark block read last

    // The walk.
    std::vector<size_t> PathMarks;  // CurPath's length before each join that leaving undoes
    AnsiString PathText;            // CurPath narrowed, to find its parent
    AnsiString NameText;            // a passed folder's name decoded for show
    WideString NameWide;            // the same, widened
};

extern THotlistReader HotlistReader;
