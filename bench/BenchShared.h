// What the native and the Windows pass benchmarks share: the folder the walk
// goes to, the plain reading every pass is set against, the goals, and the
// size labels.
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

// The goals: the greatest ratio of a pass's median time to the plain
// reading's, by the pass's label in the tables.
struct TGoal {
    const char* Label;
    double MaxRatio;
};
inline constexpr TGoal kGoals[] = {
    {"walk to the last folder", 1.2}, {"list \\ (all nested)", 1.3}, {"properties scan", 2.0}};
inline constexpr const char* kGoalsText =
    "Goals: walk <= 1.2x, list \\ <= 1.3x, properties <= 2.0x the plain reading's time (medians)";

// False when the pass labelled `label` took longer than its goal allows.
inline bool WithinGoal(const char* label, double ratio)
{
    for (const TGoal& goal : kGoals)
        if (std::strcmp(goal.Label, label) == 0) return ratio <= goal.MaxRatio;
    return true;
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
