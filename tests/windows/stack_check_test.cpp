// The 32-bit host's stack check measures what it claims: the stack pointer
// at the call lies at the asked offset from a 16-byte boundary, the
// arguments arrive in order, and the bytes a function removes are counted
// as they are, so that a cdecl export cannot pass; and every export, the
// Unicode ones too, is called through it.
#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>
#include <vector>

#include "StackCheck.h"

// Probes: each answers the stack pointer at its call (where its return
// address went) and removes 8 bytes, none or 12 on return.
extern "C" uint32_t ProbeRemoving8() __asm__("tansy_probe_removing_8");
extern "C" uint32_t ProbeRemovingNone() __asm__("tansy_probe_removing_none");
extern "C" uint32_t ProbeRemoving12() __asm__("tansy_probe_removing_12");
asm(R"(
    .text
tansy_probe_removing_8:
    leal 4(%esp), %eax
    ret $8
tansy_probe_removing_none:
    leal 4(%esp), %eax
    ret
tansy_probe_removing_12:
    leal 4(%esp), %eax
    ret $12
)");

namespace {

int __stdcall DifferenceStdcall(int a, int b)
{
    return a - b;
}

int __cdecl DifferenceCdecl(int a, int b)
{
    return a - b;
}

const void* Address(auto function)
{
    return reinterpret_cast<const void*>(function);
}

TEST(StackCheck, StackPointerAtEachOffset)
{
    const uint32_t arguments[] = {1, 2};
    for (uint32_t offset : {0u, 4u, 8u, 12u}) {
        const host::StackUse use = host::CallWithStackOffset(Address(&ProbeRemoving8), arguments, 2, offset);
        EXPECT_EQ(use.result % 16, offset);
        EXPECT_EQ(use.removed, 8);
    }
}

TEST(StackCheck, CountsWhatTheFunctionRemoves)
{
    const uint32_t arguments[] = {50, 8};
    for (uint32_t offset : {0u, 4u, 8u, 12u}) {
        const host::StackUse callee = host::CallWithStackOffset(Address(&DifferenceStdcall), arguments, 2, offset);
        EXPECT_EQ(static_cast<int>(callee.result), 42);
        EXPECT_EQ(callee.removed, 8);
        const host::StackUse caller = host::CallWithStackOffset(Address(&DifferenceCdecl), arguments, 2, offset);
        EXPECT_EQ(static_cast<int>(caller.result), 42);
        EXPECT_EQ(caller.removed, 0);
    }
    EXPECT_EQ(host::CallWithStackOffset(Address(&ProbeRemovingNone), arguments, 2, 4).removed, 0);
    // One that removes more than it was given leaves the caller's stack whole.
    EXPECT_EQ(host::CallWithStackOffset(Address(&ProbeRemoving12), arguments, 2, 8).removed, 12);
}

// Stand-ins for the exports, stdcall as the interface declares them: each
// notes its arguments and answers 100 more than its number.
struct Seen {
    int index = -1;
    std::vector<uint32_t> arguments;
};
Seen gSeen;

template <int Index, typename Result, typename... Arguments>
Result WINAPI Fake(Arguments... arguments)
{
    gSeen = {Index, {host::ArgumentWord(arguments)...}};
    return host::ResultOfWord<Result>(100 + Index);
}

template <int Index, typename Result, typename... Arguments>
void Install(Result(WINAPI*& slot)(Arguments...))
{
    slot = &Fake<Index, Result, Arguments...>;
}

// The slot holds a wrapper in place of the stand-in Index, which gets the
// arguments and whose answer comes back.
template <int Index, typename Result, typename... Arguments, typename... Given>
void ExpectChecked(Result(WINAPI* slot)(Arguments...), Given... given)
{
    EXPECT_NE(slot, (&Fake<Index, Result, Arguments...>));
    gSeen = {};
    if constexpr (std::is_void_v<Result>)
        slot(given...);
    else
        EXPECT_EQ(host::ArgumentWord(slot(given...)), static_cast<uint32_t>(100 + Index));
    EXPECT_EQ(gSeen.index, Index);
    EXPECT_EQ(gSeen.arguments, std::vector<uint32_t>({host::ArgumentWord(static_cast<Arguments>(given))...}));
}

TEST(StackCheck, EveryExportGoesThroughTheCheck)
{
    host::PluginExports fs;
    Install<0>(fs.FsInit);
    Install<1>(fs.FsGetDefRootName);
    Install<2>(fs.FsStatusInfo);
    Install<3>(fs.FsFindFirst);
    Install<4>(fs.FsFindNext);
    Install<5>(fs.FsFindClose);
    Install<6>(fs.FsExecuteFile);
    Install<7>(fs.FsInitW);
    Install<8>(fs.FsStatusInfoW);
    Install<9>(fs.FsFindFirstW);
    Install<10>(fs.FsFindNextW);
    Install<11>(fs.FsExecuteFileW);
    host::CheckStackUse(fs);
    char text[] = "x";
    WCHAR wide[] = {L'x', 0};
    WIN32_FIND_DATAA record;
    WIN32_FIND_DATAW wideRecord;
    const HANDLE handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(7));
    ExpectChecked<0>(fs.FsInit, 3, tProgressProc{}, tLogProc{}, tRequestProc{});
    ExpectChecked<1>(fs.FsGetDefRootName, text, 260);
    ExpectChecked<2>(fs.FsStatusInfo, text, 1, 2);
    ExpectChecked<3>(fs.FsFindFirst, text, &record);
    ExpectChecked<4>(fs.FsFindNext, handle, &record);
    ExpectChecked<5>(fs.FsFindClose, handle);
    ExpectChecked<6>(fs.FsExecuteFile, HWND{}, text, text);
    ExpectChecked<7>(fs.FsInitW, 4, tProgressProcW{}, tLogProcW{}, tRequestProcW{});
    ExpectChecked<8>(fs.FsStatusInfoW, wide, 0, 1);
    ExpectChecked<9>(fs.FsFindFirstW, wide, &wideRecord);
    ExpectChecked<10>(fs.FsFindNextW, handle, &wideRecord);
    ExpectChecked<11>(fs.FsExecuteFileW, HWND{}, wide, wide);
}

}  // namespace
