// The stack check for 32-bit x86 Windows: every export is stdcall there, so
// it must remove its own arguments on return (4 bytes each). A small thunk
// calls the export with the stack pointer at a chosen offset from a 16-byte
// boundary and measures the stack pointer before and after the call.
#include "StackCheck.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

static_assert(sizeof(void*) == 4, "StackCheckI686.cpp is for 32-bit x86 builds only");

// tansy_stack_call(function, arguments, count, offset, removed): copies the
// arguments below a stack pointer `offset` bytes past a 16-byte boundary,
// calls the function, stores the bytes it removed, and returns its EAX. The
// frame pointer restores the caller's stack whatever the function did.
extern "C" uint32_t TansyStackCall(const void* function, const uint32_t* arguments, uint32_t count,
                                   uint32_t offset, int32_t* removed) __asm__("tansy_stack_call");

asm(R"(
    .text
    .p2align 4
tansy_stack_call:
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    .cfi_offset %ebx, -12
    .cfi_offset %esi, -16
    .cfi_offset %edi, -20
    movl 12(%ebp), %esi       # arguments
    movl 16(%ebp), %ecx       # count
    leal (,%ecx,4), %eax
    movl %esp, %edi
    subl %eax, %edi
    subl $16, %edi
    andl $-16, %edi
    addl 20(%ebp), %edi       # offset
    movl %edi, %esp
    cld
    rep movsl
    movl %esp, %ebx           # the stack pointer at the call; ebx survives it
    call *8(%ebp)             # function
    movl %esp, %ecx
    subl %ebx, %ecx
    movl 24(%ebp), %edx       # removed
    movl %ecx, (%edx)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    .cfi_def_cfa %esp, 4
    ret
    .cfi_endproc
)");

namespace host {

StackUse CallWithStackOffset(const void* function, const uint32_t* arguments, uint32_t count,
                             uint32_t offset)
{
    StackUse use;
    use.result = TansyStackCall(function, arguments, count, offset % 16, &use.removed);
    return use;
}

namespace {

enum ExportIndex { kFsInit, kFsGetDefRootName, kFsStatusInfo, kFsFindFirst, kFsFindNext, kFsFindClose,
                   kFsExecuteFile, kFsInitW, kFsStatusInfoW, kFsFindFirstW, kFsFindNextW, kFsExecuteFileW,
                   kExportCount };

struct CheckedExport {
    const char* name;
    const void* real = nullptr;
    uint32_t calls = 0;
};

// The exports of the library loaded last: the host drives one at a time.
CheckedExport Exports[kExportCount] = {{"FsInit"},       {"FsGetDefRootName"}, {"FsStatusInfo"},
                                       {"FsFindFirst"},  {"FsFindNext"},       {"FsFindClose"},
                                       {"FsExecuteFile"}, {"FsInitW"},         {"FsStatusInfoW"},
                                       {"FsFindFirstW"}, {"FsFindNextW"},      {"FsExecuteFileW"}};

// The stack pointer at the call, past a 16-byte boundary: the misaligned
// ones first, so that an export called once is still called misaligned.
constexpr uint32_t StackOffsets[] = {4, 8, 12, 0};

uint32_t Call(ExportIndex index, std::initializer_list<uint32_t> arguments)
{
    CheckedExport& checked = Exports[index];
    const uint32_t offset = StackOffsets[checked.calls++ % std::size(StackOffsets)];
    const uint32_t count = static_cast<uint32_t>(arguments.size());
    const StackUse use = CallWithStackOffset(checked.real, arguments.begin(), count, offset);
    const int32_t expected = static_cast<int32_t>(4 * count);
    if (use.removed != expected) {
        std::fflush(stdout);
        std::fprintf(stderr,
                     "tansy: %s removed %ld bytes of arguments from the stack instead of its %ld: the "
                     "export is not stdcall, and a 32-bit file manager would go wrong after calling it\n",
                     checked.name, static_cast<long>(use.removed), static_cast<long>(expected));
        std::fflush(stderr);
        std::_Exit(1);
    }
    return use.result;
}

// The checking stand-in of the export `index`: the same arguments and result.
template <ExportIndex index, typename Result, typename... Arguments>
Result WINAPI Checked(Arguments... arguments)
{
    return ResultOfWord<Result>(Call(index, {ArgumentWord(arguments)...}));
}

template <ExportIndex index, typename Result, typename... Arguments>
void Wrap(Result(WINAPI*& slot)(Arguments...))
{
    Exports[index].real = reinterpret_cast<const void*>(slot);
    Exports[index].calls = 0;
    if (slot) slot = &Checked<index, Result, Arguments...>;
}

}  // namespace

void CheckStackUse(PluginExports& fs)
{
    Wrap<kFsInit>(fs.FsInit);
    Wrap<kFsGetDefRootName>(fs.FsGetDefRootName);
    Wrap<kFsStatusInfo>(fs.FsStatusInfo);
    Wrap<kFsFindFirst>(fs.FsFindFirst);
    Wrap<kFsFindNext>(fs.FsFindNext);
    Wrap<kFsFindClose>(fs.FsFindClose);
    Wrap<kFsExecuteFile>(fs.FsExecuteFile);
    Wrap<kFsInitW>(fs.FsInitW);
    Wrap<kFsStatusInfoW>(fs.FsStatusInfoW);
    Wrap<kFsFindFirstW>(fs.FsFindFirstW);
    Wrap<kFsFindNextW>(fs.FsFindNextW);
    Wrap<kFsExecuteFileW>(fs.FsExecuteFileW);
}

}  // namespace host
