// The file manager's main window, which owns the notice of FsGetDefRootName.
#include "PLUGIN_Main.h"

HWND GetHostWindow()
{
    return FindWindowA("TTOTAL_CMD", nullptr);
}
