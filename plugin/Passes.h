// The library's two passes over the hotlist, on a walk and the file name they
// are given: the listing of a folder and the properties scan. The exports
// run them on their own walks; tansy runs them on a walk of its own to find
// the line of a value the library could not take.
#pragma once

#include "Walk.h"

// Starts the listing of the host's `path` in the hotlist `file`: true with
// the first entry in `findData`; false, the file closed and the last-error
// value ERROR_NO_MORE_FILES, when the folder is missing or holds no entry.
bool FindFirstEntry(THotlistWalk& walk, const ShortString& file, const char* path, WIN32_FIND_DATAA& findData);
bool FindFirstEntry(THotlistWalk& walk, const ShortString& file, const WCHAR* path, WIN32_FIND_DATAW& findData);
// The listing's next entry into `findData`: FS_FIND_MORE, or FS_FIND_DONE
// once the folder or the file has ended.
BOOL FindNextEntry(THotlistWalk& walk, WIN32_FIND_DATAA& findData);
BOOL FindNextEntry(THotlistWalk& walk, WIN32_FIND_DATAW& findData);

// The properties scan's moves through the hotlist `file`, from its first
// entry to its end: every folder block is read into CurPath and every "-"
// leaves a folder, `moved()` following each such change, and `bookmark()` is
// called on every bookmark line to read that block. Every block of the file
// is read, so the first value the readers cannot take stops the scan.
template <class Bookmark, class Moved>
void ScanEveryBlock(THotlistWalk& walk, const ShortString& file, Bookmark&& bookmark, Moved&& moved)
{
    StartPass(walk, file);
    TTansyBookmarkDir dir;
    while (!AtFileEnd(walk)) {
        if (OnFolderLine(walk)) {
            ReadFolderIntoPath(walk, dir);
            moved();
        } else if (OnUrlLine(walk)) {
            bookmark();
        }
        if (!ReadNextMarkedLine(walk, kAnyMarker)) break;
        if (OnFolderEnd(walk)) {
            StepUpCurPath(walk);
            moved();
        }
    }
    EndPass(walk);
}
