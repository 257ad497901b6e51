#!/usr/bin/env python3
"""Unpacks the install package and checks its contents: exactly the four
files, an install description the file manager reads, and both libraries'
export and import tables and version resources, which must carry the
install description's version.

usage: check_package.py TANSY_WFX.zip
"""
import configparser
import sys
import tempfile
import zipfile
from pathlib import Path

from check_windows_builds import EXPORTS, OBJDUMP, SYSTEM_DLLS, tables, version_problems

FILES = ["TANSY_WFX.ini.sample", "TANSY_WFX.wfx", "TANSY_WFX.wfx64", "pluginst.inf"]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    failures = []
    with zipfile.ZipFile(sys.argv[1]) as archive, tempfile.TemporaryDirectory() as tmp:
        names = sorted(archive.namelist())
        if names != FILES:
            failures.append(f"package holds {names}, expected {FILES}")
        archive.extractall(tmp)
        inf = configparser.ConfigParser()
        inf.read(Path(tmp) / "pluginst.inf", encoding="ascii")
        section = inf["plugininstall"] if inf.has_section("plugininstall") else {}
        expected = {"type": "wfx", "file": "TANSY_WFX.wfx", "defaultdir": "tansy"}
        for key, value in expected.items():
            if section.get(key) != value:
                failures.append(f"pluginst.inf: {key}={section.get(key)!r}, expected {value!r}")
        for key in ("description", "version"):
            if not section.get(key):
                failures.append(f"pluginst.inf: {key}= is missing or empty")
        sample = (Path(tmp) / "TANSY_WFX.ini.sample").read_text(encoding="ascii")
        if "[main]" not in sample or ";hotlist=" not in sample:
            failures.append("TANSY_WFX.ini.sample: no [main] section with a commented hotlist= line")
        for name, arch in (("TANSY_WFX.wfx", "win32"), ("TANSY_WFX.wfx64", "win64")):
            exports, imports = tables(OBJDUMP[arch], Path(tmp) / name)
            if exports != EXPORTS:
                failures.append(f"{name}: exports {exports}")
            if any(dll.lower() not in SYSTEM_DLLS for dll in imports):
                failures.append(f"{name}: imports {imports}")
            if section.get("version"):
                failures += version_problems(Path(tmp) / name, section["version"])
    for failure in failures:
        print("FAIL:", failure)
    print(f"{sys.argv[1]}: {'bad' if failures else 'ok'}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
