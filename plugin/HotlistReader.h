// What the block readers keep beside the text file and the line: the buffer
// that turns a line back into ANSI text, so that no line allocates, and the
// facts of the code page. A view into it is valid until the next line is
// read. One instance, HotlistReader, serves every reader.
#pragma once

#include "Text.h"
#include "tansy_windows.h"

struct THotlistReader {
    AnsiString LineText;        // a block line narrowed again from the line variable
    UINT CodePage = 0;          // the code page that BytesAreText was found for
    bool BytesAreText = false;  // it turns every byte into one unit and back into itself
};

extern THotlistReader HotlistReader;
