// The hotlist generator: a header, then a folder tree of fixed depth and
// fan-out filled with bookmarks and separators, written as a stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace gen {

struct GenOptions {
    uint64_t bookmarks = 1000;  // bookmarks in the tree, the tail folder's not counted
    uint64_t depth = 3;         // nesting levels of folders below the root
    uint64_t fanout = 4;        // sub-folders of the root and of every folder above the last level
    uint64_t seed = 1;
    bool crlf = false;
    bool allNested = false;     // no bookmark at the root
    std::string tailFolder;     // empty: no tail folder
};

// Bookmarks that the tail folder holds.
inline constexpr uint64_t TailFolderBookmarks = 5;

// Deepest nesting accepted; the writer recurses once per level.
inline constexpr uint64_t MaxDepth = 1000;

// Folders in a tree of the given shape; saturates at UINT64_MAX.
uint64_t FolderCount(uint64_t depth, uint64_t fanout);

// Empty when the options can be generated, otherwise a message saying why not.
std::string CheckOptions(const GenOptions& options);

// Writes the hotlist to `file` in blocks. Returns false when a write failed
// (errno then tells why). The options must have passed CheckOptions.
bool WriteHotlist(const GenOptions& options, std::FILE* file);

}  // namespace gen
