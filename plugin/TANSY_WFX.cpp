// The library module: start-up, the shared scan state, and the exports that
// never read the hotlist.
#include "TANSY_WFX.h"

#include <algorithm>
#include <cstring>

#include "Barrier.h"
#include "HotlistReader.h"
#include "Listings.h"
#include "Listings.h"
#include "PLUGIN_Main.h"
#include "Platform.h"
#include "ScanState.h"
#include "Walk.h"

// Constant-initialised, so that no static constructor can run after start-up
// and undo what it set.
constinit ShortString HotlistFileName;
constinit TTextFile HotlistText;
constinit THotlistWalk ScanWalk{&HotlistText};
constinit TListingTable Listings;
constinit bool ScanBusy = false;

constinit int32_t PluginNr = 0;
constinit tProgressProc ProgressProc = nullptr;
constinit tLogProc LogProc = nullptr;
constinit tRequestProc RequestProc = nullptr;

namespace {

constexpr char kRootName[] = "Tansy";

// The configuration file bears the library's name with the extension ".ini".
AnsiString ConfigPathOf(AnsiString libraryPath)
{
    const size_t cut = libraryPath.find_last_of(kConfigPathDelimiters);
    if (cut != AnsiString::npos && libraryPath[cut] == '.') libraryPath.resize(cut);
    return libraryPath + ".ini";
}

void ReadConfiguration(HINSTANCE module)
{
    char path[MAX_PATH];
    // A path longer than the buffer arrives cut and without its zero.
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0) return;
    const AnsiString config = ConfigPathOf(AnsiString(path, std::min<DWORD>(length, MAX_PATH)));
    char value[256] = {};
    GetPrivateProfileStringA("main", "hotlist", "", value, sizeof value, config.c_str());
    value[sizeof value - 1] = 0;
    HotlistFileName = ShortFromZString(value);
}

}  // namespace

void LibraryStartup(HINSTANCE module)
{
    Guarded(
        [&] {
            StartAtRoot(ScanWalk);
            ReadConfiguration(module);
        },
        [](DWORD) {});
}

void LibraryShutdown()
{
    AbandonPass(ScanWalk);
    ScanWalk = THotlistWalk(&HotlistText);
    CloseAllListings();
    HotlistText.Buffer = std::vector<char>();
    HotlistText.Spill = AnsiString();
    HotlistReader = THotlistReader();
}

int WINAPI FsInit(int Nr, tProgressProc Progress, tLogProc Log, tRequestProc Request)
{
    PluginNr = Nr;
    ProgressProc = Progress;
    LogProc = Log;
    RequestProc = Request;
    return 0;
}

void WINAPI FsGetDefRootName(char* DefRootName, int MaxLen)
{
    if (DefRootName != nullptr && MaxLen > 0) {
        const size_t length = std::min<size_t>(std::strlen(kRootName), static_cast<size_t>(MaxLen) - 1);
        std::memcpy(DefRootName, kRootName, length);
        DefRootName[length] = 0;
    }
    MessageBoxA(GetHostWindow(), "Installation succeful", "Information", MB_OK | MB_ICONINFORMATION);
}

void WINAPI FsStatusInfo(char*, int, int) {}
