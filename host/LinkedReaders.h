// The library's readers that tansy links (tansy_walk) run in tansy's own
// process, not in the library's: what they need of it, one file per platform
// (LinkedReadersPosix.cpp, LinkedReadersWin32.cpp; CMake picks the file).
#pragma once

namespace host {

// Makes the linked readers convert text in the library's ANSI code page.
void UseLibraryCodePage();

}  // namespace host
