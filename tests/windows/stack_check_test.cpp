// The 32-bit host's stack check measures what it claims: the stack pointer
// at the call lies at the asked offset from a 16-byte boundary, the
// arguments arrive in order, and the bytes a function removes are counted
// as they are, so that a cdecl export cannot pass.
#include <gtest/gtest.h>

#include <cstdint>

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

}  // namespace
