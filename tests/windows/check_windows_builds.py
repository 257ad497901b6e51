#!/usr/bin/env python3
"""Checks the two Windows builds: each library exports exactly the plugin's
names, undecorated, and imports only Windows system DLLs; both are compiled
from the same sources with the same options (but for those that only one
processor needs, ARCH_ONLY); and each library and tansy.exe
carries a version resource that names the product, the file and VERSION (the
project's version).

usage: check_windows_builds.py WIN32_BUILD_DIR WIN64_BUILD_DIR VERSION
"""
import json
import re
import subprocess
import sys
from pathlib import Path

from pe_image import PeError, PeImage

EXPORTS = sorted(["FsInit", "FsGetDefRootName", "FsStatusInfo", "FsFindFirst",
                  "FsFindNext", "FsFindClose", "FsExecuteFile",
                  "FsInitW", "FsStatusInfoW", "FsFindFirstW", "FsFindNextW", "FsExecuteFileW"])
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "oleaut32.dll", "msvcrt.dll"}
# Options that one build takes and the other need not: SSE2, which every
# x86-64 processor has, is asked for on 32-bit x86 only.
ARCH_ONLY = {"win32": {"-msse2"}, "win64": set()}
OBJDUMP = {"win32": "i686-w64-mingw32-objdump", "win64": "x86_64-w64-mingw32-objdump"}


def tables(objdump, library):
    text = subprocess.run([objdump, "-p", str(library)], check=True,
                          capture_output=True, text=True).stdout
    exports, in_names = [], False
    for line in text.splitlines():
        if line.strip().startswith("[Ordinal/Name Pointer] Table"):
            in_names = True
            continue
        if in_names:
            m = re.match(r"\s*\[\s*\d+\]\s+(\S+)", line)
            if not m:
                in_names = False
                continue
            exports.append(m.group(1))
    imports = [m.group(1) for m in re.finditer(r"DLL Name: (\S+)", text)]
    return sorted(exports), imports


def library_compile_units(build_dir, arch):
    """Source file -> compile options (less output names, the compiler and the
    options of ARCH_ONLY) of the objects that make up the library."""
    commands = json.loads((build_dir / "compile_commands.json").read_text())
    units = {}
    for entry in commands:
        source = Path(entry["file"]).resolve()
        parts = Path(source).parts
        if source.suffix == ".rc":
            continue  # made for each build; version_problems reads what it gives
        if "tests" in parts or "host" in parts or "googletest" in parts or "tools" in parts:
            continue
        words = entry["command"].split()[1:]
        options, skip = [], False
        for word in words:
            if skip:
                skip = False
                continue
            if word in ("-o", "-c", "-MF", "-MT"):
                skip = True
                continue
            if word.endswith((".cpp", ".obj", ".o", ".d")) or word in ARCH_ONLY[arch]:
                continue
            options.append(word.replace(str(build_dir), "<build>"))
        units[str(source)] = options
    return units


def version_problems(binary, version):
    """What is wrong with a binary's version resource, given the project's version "A.B.C"."""
    try:
        found = PeImage(binary).version_info()
    except (OSError, PeError) as failure:
        return [str(failure)]
    if found is None:
        return [f"{binary}: no version resource"]
    fixed, strings = found
    words = tuple(int(part) for part in version.split(".")) + (0,) * (4 - len(version.split(".")))
    expected = {"FileVersion": version, "ProductVersion": version, "ProductName": "Tansy",
                "OriginalFilename": binary.name}
    problems = [f"{binary}: {key} {strings.get(key)!r}, expected {value!r}"
                for key, value in expected.items() if strings.get(key) != value]
    if not strings.get("FileDescription"):
        problems.append(f"{binary}: no FileDescription")
    problems += [f"{binary}: fixed {kind} version {fixed[kind]}, expected {words}"
                 for kind in ("file", "product") if fixed[kind] != words]
    return problems


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    dirs = {"win32": Path(sys.argv[1]).resolve(), "win64": Path(sys.argv[2]).resolve()}
    version = sys.argv[3]
    names = {"win32": "TANSY_WFX.wfx", "win64": "TANSY_WFX.wfx64"}
    failures = []
    for arch, build_dir in dirs.items():
        library = build_dir / "bin" / names[arch]
        if not library.exists():
            failures.append(f"{library}: not built (cmake --build --preset {arch})")
            continue
        exports, imports = tables(OBJDUMP[arch], library)
        if exports != EXPORTS:
            failures.append(f"{library}: exports {exports}, expected {EXPORTS}")
        foreign = [dll for dll in imports if dll.lower() not in SYSTEM_DLLS]
        if foreign:
            failures.append(f"{library}: imports non-system DLLs {foreign}")
        print(f"{library.name}: exports {len(exports)} names; imports {', '.join(imports)}")
        for binary in (library, build_dir / "bin" / "tansy.exe"):
            problems = version_problems(binary, version)
            failures += problems
            if not problems:
                print(f"{arch} {binary.name}: version resource {version}")
    if not failures:
        units32 = library_compile_units(dirs["win32"], "win32")
        units64 = library_compile_units(dirs["win64"], "win64")
        if sorted(units32) != sorted(units64):
            failures.append(f"sources differ: {sorted(set(units32) ^ set(units64))}")
        for source in sorted(set(units32) & set(units64)):
            if units32[source] != units64[source]:
                failures.append(f"{source}: options differ: {units32[source]} vs {units64[source]}")
        print(f"{len(units32)} library sources compiled alike for 32 and 64 bits")
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
