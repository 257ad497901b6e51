#!/usr/bin/env python3
"""Checks on the machine code that every export of the 32-bit library is
stdcall: each return that leaves an export is `ret $N`, N being 4 bytes per
argument of the export. A cdecl export (a plain `ret`) would leave its
arguments on the 32-bit file manager's stack.

usage: check_stdcall.py TANSY_WFX.wfx

The library is stripped, so the exports' code is found from the export
table and the frame descriptions of .eh_frame: the whole frame of the entry
point, then every frame that code jumps into (the parts the compiler moved
out of line, a function reached by a tail call) and every exception handler
its LSDA names, until no new frame turns up. Each frame is disassembled with
i686-w64-mingw32-objdump and each `ret` in it checked. Calls are not
followed: the callee returns to the export, not to the file manager.
"""
import re
import subprocess
import sys

from pe_image import PeError, PeImage

OBJDUMP = "i686-w64-mingw32-objdump"
ARGUMENT_BYTES = {"FsInit": 16, "FsGetDefRootName": 8, "FsStatusInfo": 12, "FsFindFirst": 8,
                  "FsFindNext": 8, "FsFindClose": 4, "FsExecuteFile": 12,
                  "FsInitW": 16, "FsStatusInfoW": 12, "FsFindFirstW": 8, "FsFindNextW": 8, "FsExecuteFileW": 12}
PREFIXES = {"rep", "repz", "repe", "repnz", "repne", "bnd", "notrack", "ds", "cs", "lock", "data16"}


def disassemble(library, image_base, start, end):
    """[(rva, mnemonic, operand)] of the code from `start` to `end`."""
    text = subprocess.run([OBJDUMP, "-d", "--no-show-raw-insn", f"--start-address=0x{image_base + start:x}",
                           f"--stop-address=0x{image_base + end:x}", library],
                          check=True, capture_output=True, text=True).stdout
    code = []
    for line in text.splitlines():
        match = re.match(r"^\s*([0-9a-f]+):\t(.*)$", line)
        if not match:
            continue
        words = [w for w in match.group(2).split("#")[0].split() if w not in PREFIXES]
        if words:
            code.append((int(match.group(1), 16) - image_base, words[0], words[1] if len(words) > 1 else ""))
    return code


def jump_target(operand):
    """The address a direct jump's operand names ("0x7054a2b0", or "7054a2b0 <name+0x10>" with symbols)."""
    return int(operand.split()[0].removeprefix("0x"), 16)


def returns_of(image, library, frames, entry):
    """([(rva, bytes removed)] of the returns reachable from an export, [problems])."""
    def frame_of(rva):
        return next((frame for frame in frames if frame[0] <= rva < frame[1]), None)

    first = frame_of(entry)
    if first is None or first[0] != entry:
        return [], [f"no frame description begins at its entry 0x{entry:x}"]
    pending, seen, returns, problems = [first], {first}, [], []

    def visit(rva, why):
        frame = frame_of(rva)
        if frame is None:
            problems.append(f"{why} 0x{rva:x}, code without a frame description")
        elif frame not in seen:
            seen.add(frame)
            pending.append(frame)

    while pending:
        frame = pending.pop()
        start, end, _ = frame
        for pad in image.landing_pads(frame):
            visit(pad, "an exception handler at")
        for rva, mnemonic, operand in disassemble(library, image.image_base, start, end):
            if mnemonic in ("ret", "retl"):
                returns.append((rva, int(operand.removeprefix("$"), 16) if operand else 0))
            elif mnemonic in ("lret", "iret", "(bad)"):
                problems.append(f"0x{rva:x}: {mnemonic}")
            elif mnemonic.startswith(("j", "loop")) and operand.startswith("*"):
                # A table jump stays inside the function; any other leaves through a pointer
                # whose target cannot be known here.
                if not re.match(r"^\*(0x[0-9a-f]+)?\(,%e[a-z]{2},4\)$", operand):
                    problems.append(f"0x{rva:x}: {mnemonic} {operand} leaves through a pointer")
            elif mnemonic.startswith(("j", "loop")):
                target = jump_target(operand) - image.image_base
                if not start <= target < end:
                    visit(target, f"0x{rva:x} jumps to")
    return sorted(returns), problems


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    library = sys.argv[1]
    failures = []
    try:
        image = PeImage(library)
        exports = image.exports()
        frames = image.frames()
    except (OSError, PeError) as failure:
        sys.exit(f"FAIL: {failure}")
    total = 0
    for name, expected in sorted(ARGUMENT_BYTES.items()):
        if name not in exports:
            failures.append(f"{name}: not exported")
            continue
        returns, problems = returns_of(image, library, frames, exports[name])
        failures += [f"{name}: {problem}" for problem in problems]
        if not returns and not problems:
            failures.append(f"{name}: no return found from 0x{exports[name]:x}")
        for rva, removed in returns:
            if removed != expected:
                kind = "cdecl, removing nothing" if removed == 0 else f"removing {removed} bytes"
                failures.append(f"{name}: the return at RVA 0x{rva:x} is {kind}; stdcall removes its {expected} "
                                f"bytes of arguments (ret ${expected})")
        total += len(returns)
        print(f"{name}: {len(returns)} returns, each must be ret ${expected}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"{library}: {'not stdcall' if failures else f'all {total} returns of the {len(ARGUMENT_BYTES)} exports are stdcall'}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
