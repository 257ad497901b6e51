// On Windows the ANSI code page belongs to the process, and the library
// loaded into tansy's process converts in it too: there is nothing to choose.
#include "LinkedReaders.h"

namespace host {

void UseLibraryCodePage() {}

}  // namespace host
