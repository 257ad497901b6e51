// The start-up record that a Linux file manager hands to a file-system plugin
// after FsInit, when the plugin exports ExtensionInitialize. The library takes
// the host's message box from it, so its boxes appear as the host's own
// dialogs instead of on standard error.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tansy_windows.h"

// Shows a box; texts are UTF-8, flags are the Windows MB_* style bits, the
// result is the pressed button's Windows ID (IDOK ...).
typedef int (*TExtensionMessageBoxProc)(char* Text, char* Caption, long Flags);

#define EXT_MAX_PATH 16384

// Packed as the host writes it. The host's record goes on past MessageBox;
// the library reads no further, and only as far as StructSize vouches for.
#pragma pack(push, 1)
struct TExtensionStartupInfo {
    uint32_t StructSize;
    char PluginDir[EXT_MAX_PATH];
    char PluginConfDir[EXT_MAX_PATH];
    void* InputBox;  // not used
    TExtensionMessageBoxProc MessageBox;
};
#pragma pack(pop)

// The record's size up to and including the MessageBox field.
inline constexpr size_t kExtensionMessageBoxEnd =
    offsetof(TExtensionStartupInfo, MessageBox) + sizeof(TExtensionMessageBoxProc);

// Called by the host after FsInit. A record too short to hold MessageBox, a
// null record or a null MessageBox leaves boxes on standard error.
TANSY_EXPORT void ExtensionInitialize(TExtensionStartupInfo* StartupInfo);
