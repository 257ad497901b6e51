// The library on POSIX systems: paths also use "/", and Linux file managers
// hand over their own message box.
#include "Extension.h"
#include "HostMessageBox.h"
#include "Platform.h"

const std::string_view kConfigPathDelimiters = ".\\:/";
const char kHostPathSeparator = '/';

void ExtensionInitialize(TExtensionStartupInfo* StartupInfo)
{
    TExtensionMessageBoxProc hostBox = nullptr;
    // Older hosts hand a shorter record: a field past StructSize is not theirs.
    if (StartupInfo != nullptr && StartupInfo->StructSize >= kExtensionMessageBoxEnd)
        hostBox = StartupInfo->MessageBox;
    TansyUseHostMessageBox(hostBox);
}
