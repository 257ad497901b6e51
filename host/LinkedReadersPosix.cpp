// The stand-in layer linked into tansy keeps a code page of its own, apart
// from the loaded library's: it is set to the one the library reads.
#include "LinkedReaders.h"

#include "CodePageControl.h"
#include "Platform.h"

namespace host {

void UseLibraryCodePage()
{
    TansySetActiveCodePage(static_cast<UINT>(AnsiCodePage()));
}

}  // namespace host
