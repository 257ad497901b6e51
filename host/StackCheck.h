// The calling convention of the library's exports, checked on every call
// where more than one convention exists (32-bit x86 Windows,
// StackCheckI686.cpp; elsewhere StackCheckNone.cpp leaves the exports as
// they are).
#pragma once

#include <cstdint>
#include <type_traits>

#include "Session.h"

namespace host {

// Puts a checking wrapper in place of each export `fs` holds (a missing one
// stays null). Each call then runs with the stack pointer 4, 8, 12 and 0
// bytes past a 16-byte boundary in turn, each export counting its own calls
// from its library's loading, since 32-bit Windows hosts promise only 4-byte
// alignment. An export that does not remove exactly its own arguments from
// the stack (stdcall) ends the process: one line on standard error names it
// with the expected and the actual bytes, and the exit status is 1.
void CheckStackUse(PluginExports& fs);

// What one checked call gave: the export's result (EAX) and how many bytes
// of the stack it removed on return.
struct StackUse {
    uint32_t result = 0;
    int32_t removed = 0;
};

// An argument as the 32-bit word the stack holds for it.
template <typename T>
uint32_t ArgumentWord(T value)
{
    if constexpr (std::is_pointer_v<T>)
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
    else
        return static_cast<uint32_t>(value);
}

// A function's result from the word it left in EAX (nothing for void).
template <typename Result>
Result ResultOfWord(uint32_t word)
{
    if constexpr (std::is_pointer_v<Result>)
        return reinterpret_cast<Result>(static_cast<uintptr_t>(word));
    else if constexpr (!std::is_void_v<Result>)
        return static_cast<Result>(word);
}

// Calls `function` with `count` 32-bit arguments (the first at the lowest
// address), the stack pointer `offset` bytes past a 16-byte boundary at the
// call (0, 4, 8 or 12). 32-bit x86 only; the stack pointer is restored
// whatever the function removed.
StackUse CallWithStackOffset(const void* function, const uint32_t* arguments, uint32_t count,
                             uint32_t offset);

}  // namespace host
