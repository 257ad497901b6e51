#!/usr/bin/env python3
"""Where a wine process spends its time, from `perf script -D` output.

perf cannot read PE files, so it shows the library's code as anonymous memory
and wine's own DLLs without their names. This script maps every sample's
address to a function: of the library and of the benchmark program (with the
symbol tables of builds whose code is the same as the measured ones), of wine's
DLLs (their own symbol tables), of the kernel and of Linux libraries (perf's
names). A sample in one of the C runtime's leaf functions (memchr, memcpy, ...)
is charged to its caller, found on the stack perf kept with the sample; for
memchr it also tells the byte sought.

usage: wine_profile.py DUMP LIBRARY PROGRAM BITS
  DUMP     output of `perf script -D` over a `perf record --call-graph dwarf,64`
  LIBRARY  the library built with symbols (TANSY_WFX.wfx or .wfx64)
  PROGRAM  tansy_wine_bench.exe built with symbols
  BITS     32 or 64
"""
import bisect
import collections
import re
import subprocess
import sys

LEAF_FUNCTIONS = {"memchr", "memcpy", "memmove", "memset", "memcmp", "strlen"}


class Image:
    """The functions and code range of one PE file."""

    def __init__(self, path, tools, bits):
        self.path = path
        listing = run([tools + "nm", "-n", path])
        self.addresses, self.names = [], []
        for line in listing.splitlines():
            parts = line.strip().split(" ", 2)
            if len(parts) == 3 and parts[1] in "tTwW" and re.fullmatch(r"[0-9a-f]+", parts[0]):
                self.addresses.append(int(parts[0], 16))
                self.names.append(target_name(parts[2], bits))
        sections = run([tools + "objdump", "-h", path])
        text = next(line.split() for line in sections.splitlines() if " .text " in line)
        self.low = int(text[3], 16)
        self.high = self.low + int(text[2], 16)

    def __contains__(self, address):
        return self.low <= address < self.high

    def function(self, address):
        at = bisect.bisect_right(self.addresses, address) - 1
        return self.names[at] if at >= 0 else "?"


class ToolFailed(Exception):
    pass


def run(command, text_in=None):
    result = subprocess.run(command, input=text_in, capture_output=True, text=True)
    if result.returncode != 0:
        raise ToolFailed(f"{' '.join(command[:2])} failed: {result.stderr.strip()}")
    return result.stdout


def wine_image(path, tools, bits):
    """A DLL of wine's; None for one of the other word size (a helper process's)."""
    try:
        return Image(path, tools, bits)
    except ToolFailed:
        return None


def target_name(symbol, bits):
    """A symbol without the underscore that 32-bit Windows puts before C names."""
    return symbol[1:] if bits == 32 and symbol.startswith("_") else symbol


def demangle(names):
    """Mangled C++ names -> their functions' qualified names, without parameters."""
    mangled = sorted({name for name in names if name.startswith("_Z")})
    if not mangled:
        return {}
    readable = run(["c++filt"], "\n".join(mangled)).splitlines()
    return {name: without_parameters(plain.replace("(anonymous namespace)::", ""))
            for name, plain in zip(mangled, readable)}


def without_parameters(function):
    """A demangled name without its parameter list (the last bracketed group);
    a lambda called through std::function as the function it lies in."""
    lambda_call = re.fullmatch(r"std::_Function_handler<.*?, (?:\S+ )?([\w:]+)\(.*\)::\{lambda\(\)#(\d+)\}>::_M_invoke"
                               r"\(.*\)", function)
    if lambda_call:
        return f"lambda #{lambda_call.group(2)} in {lambda_call.group(1)}"
    function = re.sub(r"( const)?$", "", function)
    if not function.endswith(")"):
        return function
    depth = 0
    for at in range(len(function) - 1, -1, -1):
        depth += {")": 1, "(": -1}.get(function[at], 0)
        if depth == 0:
            return function[:at]
    return function


def read_samples(path):
    """Each sample: its address, registers, the stack bytes kept and the module."""
    samples, raw, sample = [], bytearray(), None
    with open(path, errors="replace") as dump:
        for line in dump:
            if line.startswith(". ... raw event:"):
                raw = bytearray()
            elif m := re.match(r"^\.  [0-9a-f]{4}:  ((?:[0-9a-f]{2} )+)", line):
                raw += bytes(int(byte, 16) for byte in m.group(1).split())
            elif m := re.search(r"PERF_RECORD_SAMPLE\(IP, 0x\d\): \d+/\d+: 0x([0-9a-f]+)", line):
                sample = {"ip": int(m.group(1), 16), "raw": bytes(raw), "regs": {}, "stack": b"",
                          "dso": "?", "symbol": None}
                samples.append(sample)
            elif sample is None:
                continue
            elif m := re.match(r"^\.\.\.\. (\w+)\s+0x([0-9a-f]+)", line):
                sample["regs"][m.group(1)] = int(m.group(2), 16)
            elif m := re.match(r"^\.\.\. ustack: size (\d+), offset 0x([0-9a-f]+)", line):
                size, offset = int(m.group(1)), int(m.group(2), 16)
                sample["stack"] = sample["raw"][offset + 8:offset + 8 + size]
            elif m := re.match(r"^ \.\.\.\.\.\. dso: (.*)", line):
                sample["dso"] = m.group(1).strip()
            elif (m := re.match(r"^\s+[0-9a-f]+ (.+) \((.*)\)$", line)) and sample["symbol"] is None:
                sample["symbol"] = re.sub(r"\+0x[0-9a-f]+$", "", m.group(1))
    return samples


def stack_word(stack, index, bits):
    size = bits // 8
    chunk = stack[index * size:(index + 1) * size]
    return int.from_bytes(chunk, "little") if len(chunk) == size else 0


def leaf_caller(sample, function, images, bits):
    """'from CALLER' for a C runtime leaf function: its return address is the
    first stack word (64-bit) or the one after the saved frame pointer (32-bit)."""
    words = [stack_word(sample["stack"], i, bits) for i in range(3)]
    for at, word in enumerate(words):
        for name, image in images.items():
            if word in image:
                caller = f" from {image.function(word)} ({name})"
                if function != "memchr":
                    return caller
                sought = sample["regs"].get("DX", 0) if bits == 64 else stack_word(sample["stack"], at + 2, bits)
                return caller + f", byte 0x{sought & 0xFF:02x}"
    return ""


def main():
    if len(sys.argv) != 5 or sys.argv[4] not in ("32", "64"):
        sys.exit(__doc__)
    dump, library_path, program_path, bits = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    tools = "x86_64-w64-mingw32-" if bits == 64 else "i686-w64-mingw32-"
    images = {"library": Image(library_path, tools, bits), "program": Image(program_path, tools, bits)}
    wine_images = {}
    samples = read_samples(dump)
    if not samples:
        sys.exit("wine_profile.py: no samples in " + dump)

    places = collections.Counter()
    library_addresses = collections.Counter()
    for sample in samples:
        ip, dso = sample["ip"], sample["dso"]
        owner = next((name for name, image in images.items() if ip in image), None)
        if owner:
            places[f"{owner}: {images[owner].function(ip)}"] += 1
            if owner == "library":
                library_addresses[ip] += 1
        elif "/wine/" in dso and dso.endswith((".dll", ".exe")):
            if dso not in wine_images:
                wine_images[dso] = wine_image(dso, tools, bits)
            function = wine_images[dso].function(ip) if wine_images[dso] else "?"
            where = leaf_caller(sample, function, images, bits) if function in LEAF_FUNCTIONS else ""
            places[f"{dso.rsplit('/', 1)[-1]}: {function}{where}"] += 1
        elif dso.startswith("[kernel"):
            places["kernel: " + (sample["symbol"] or "?")] += 1
        else:
            places[f"{dso.rsplit('/', 1)[-1]}: {sample['symbol'] or '?'}"] += 1

    total = len(samples)
    readable = demangle(word for place in places for word in place.split())

    def shown(place):
        return " ".join(readable.get(word, word) for word in place.split(" "))

    print(f"{total} samples. By function (C runtime leaf functions charged to their caller):")
    for place, count in places.most_common(25):
        print(f"{100.0 * count / total:6.1f}%  {shown(place)}")

    # The library's samples by source line, inlined functions included.
    addresses = sorted(library_addresses)
    lines = run([tools + "addr2line", "-a", "-f", "-i", "-e", library_path] + [hex(a) for a in addresses])
    by_function, by_line = collections.Counter(), collections.Counter()
    address, state, function = None, 0, None
    for line in lines.splitlines():
        if re.fullmatch(r"0x[0-9a-f]+", line):
            address, state = int(line, 16), 1
        elif state == 1:
            # Code without line information (libgcc's) is named by the symbol table.
            known = line != "??"
            function = line if known else images["library"].function(address)
            state = 2
        elif state == 2:  # the innermost inlined function and its line; the outer ones are skipped
            where = line.rsplit("/", 1)[-1].split(" ")[0] if known else "(no line information)"
            by_function[function] += library_addresses[address]
            by_line[f"{function} {where}"] += library_addresses[address]
            state = 0
    readable = demangle(by_function)
    print("\nThe library's samples by innermost function (inlined ones apart):")
    for function, count in by_function.most_common(15):
        print(f"{100.0 * count / total:6.1f}%  {readable.get(function, function)}")
    print("\nBy source line:")
    for place, count in by_line.most_common(20):
        function, where = place.split(" ", 1)
        print(f"{100.0 * count / total:6.1f}%  {where} {readable.get(function, function)}")


if __name__ == "__main__":
    try:
        main()
    except ToolFailed as failure:
        sys.exit(f"wine_profile.py: {failure}")
