// What the native and the Windows pass benchmarks share: the folder the walk
// goes to, the plain reading every pass is set against, and the size labels.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tansy_windows.h"

namespace bench {

// genhotlist --tail-folder puts this folder last in the file.
constexpr const char* kTailFolder = "Last";

// Plain reading: the file read with ReadFile into `buffer` (the library's
// block size) and its lines counted with the C runtime's memchr. The line
// count, or -1 when the file cannot be opened.
inline int64_t BaselinePass(const char* path, std::vector<char>& buffer)
{
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    int64_t lines = 0;
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got != 0) {
        const char* p = buffer.data();
        const char* const end = p + got;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
            ++lines;
            ++p;
        }
    }
    CloseHandle(file);
    return lines;
}

// 10^N for a power of ten, else the number.
inline std::string SizeLabel(uint64_t bookmarks)
{
    int power = 0;
    uint64_t rest = bookmarks;
    while (rest >= 10 && rest % 10 == 0) {
        rest /= 10;
        ++power;
    }
    return rest == 1 ? "10^" + std::to_string(power) : std::to_string(bookmarks);
}

}  // namespace bench
