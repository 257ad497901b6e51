#!/usr/bin/env python3
"""Runs transcript scenarios through the Windows builds under wine and compares
each transcript byte for byte with the one the native run is held to, and the
builds' transcripts of the same scenario with each other.

    run_wine_transcripts.py --build LABEL WINE TANSY_EXE TANSY_UTF8_EXE [--build ...] --work DIR SCENARIO...

One --build per Windows build: a label for the reports (win64, win32), the
wine loader that runs it (wine64, or wine for 32-bit programs), its tansy.exe,
and a copy of that tansy.exe whose application manifest asks for the UTF-8
code page. The wine environment (WINEPREFIX, LOCPATH, the null display
driver, a running wineserver) is made by run_wine_tests.sh; this script only
starts tansy.exe.

The ANSI code page of a Windows process comes from the system, not from
tansy's --codepage, so a scenario's `; codepage: N` picks the environment:
    1251   LC_ALL=ru_RU.UTF-8 (wine's Russian system locale)
    1252   LC_ALL=en_US.UTF-8
    65001  the build's TANSY_UTF8_EXE (and the library beside it), whose
           manifest asks for the UTF-8 code page (activeCodePage), as
           Windows 10 1903 and later grant it
Scenarios that share a code page, a hotlist and a window class run in one
tansy.exe process per build (`tansy script --framed A.scn B.scn ...`): each
still gets a freshly loaded library, and wine starts one process instead of
dozens.

Expected transcript: NAME.wine.out when it exists (its first lines, beginning
with ";", say why Windows legitimately answers differently), else NAME.out.
Every build is held to the same one: a transcript of one build that differs
from another build's is reported as such. With --bless, a transcript that
differs from NAME.out is written to NAME.wine.out (keeping the comment lines
it had) when every build gave it; one without a comment still fails until a
"; " line at its top says why Windows answers so.
"""

import argparse
import collections
import difflib
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "transcripts"))
import run_transcript  # noqa: E402  (the native runner's directive and expected-file rules)

VARIANT = "wine"
LOCALES = {"1251": "ru_RU.UTF-8", "1252": "en_US.UTF-8", "65001": "ru_RU.UTF-8"}
PROCESS_TIMEOUT = 120

Group = collections.namedtuple("Group", "codepage hotlist host_class")


def windows_path(path):
    """A Linux path as wine names it on its Z: drive, which maps /."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def group_of(scenario):
    directives = run_transcript.read_directives(scenario)
    codepage = directives.get("codepage", run_transcript.DEFAULT_CODEPAGE)
    hotlist = directives.get("hotlist")
    if hotlist is not None:
        hotlist = os.path.join(os.path.dirname(scenario), hotlist)
    return Group(codepage, hotlist, directives.get("host-class") == "TTOTAL_CMD"), int(directives.get("exit", "0"))


def split_framed(output):
    """{scenario path as passed: (status, transcript bytes)} from `script --framed` output."""
    results = {}
    current = None
    lines = []
    for line in output.splitlines(keepends=True):
        if line.startswith(b";; scenario "):
            current = line[len(b";; scenario "):].rstrip(b"\n").decode("utf-8", "replace")
            lines = []
        elif line.startswith(b";; status ") and current is not None:
            results[current] = (int(line[len(b";; status "):]), b"".join(lines))
            current = None
        elif current is not None:
            lines.append(line)
    return results


def run_group(group, scenarios, tansy, wine, work):
    """Runs one tansy.exe over the group's scenarios: ({path: (status, transcript)}, stderr text)."""
    command = ["timeout", "-k", "5", str(PROCESS_TIMEOUT), wine, tansy]
    if group.hotlist is not None:
        command += ["--hotlist", windows_path(group.hotlist)]
    if group.host_class:
        command.append("--host-class")
    command += ["script", "--framed"] + [windows_path(s) for s in scenarios]
    environment = dict(os.environ, LC_ALL=LOCALES[group.codepage])
    # Files, not pipes: a wine service started along the way may keep a pipe open.
    out_path = os.path.join(work, "transcripts.out")
    err_path = os.path.join(work, "transcripts.err")
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        run = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=environment,
                             timeout=PROCESS_TIMEOUT + 30)
    with open(out_path, "rb") as stream:
        output = stream.read().replace(b"\r\n", b"\n")
    with open(err_path, "rb") as stream:
        errors = stream.read().replace(b"\r\n", b"\n").decode("utf-8", "backslashreplace")
    if run.returncode in (124, 137):
        errors += f"\n{tansy} did not finish in {PROCESS_TIMEOUT} s\n"
    by_name = split_framed(output)
    return {s: by_name.get(windows_path(s)) for s in scenarios}, errors


def bless(scenario, transcript):
    """Writes NAME.wine.out when Windows answers other than NAME.out, keeping its comments."""
    native_path = run_transcript.expected_file(scenario, None)
    if os.path.exists(native_path) and run_transcript.read_expected(native_path)[1] == transcript:
        return
    wine_path = native_path[: -len(".out")] + f".{VARIANT}.out"
    comments = run_transcript.read_expected(wine_path)[0] if os.path.exists(wine_path) else []
    with open(wine_path, "wb") as stream:
        stream.write(b"".join(line.encode("utf-8") + b"\n" for line in comments) + transcript)
    print(f"blessed {wine_path}: read it, and say at its top why Windows answers so")


def check(scenario, label, result, wanted_status, errors):
    """Compares one build's result for a scenario; the failure report, or None when it passed."""
    name = f"{os.path.basename(scenario)} ({label})"
    if result is None:
        return f"FAIL {name}: no transcript (tansy.exe stopped before it)\n{errors}"
    status, transcript = result
    if status != wanted_status:
        return f"FAIL {name}: status {status}, not {wanted_status}\n{errors}"
    expected_path = run_transcript.expected_file(scenario, VARIANT)
    try:
        comments, expected = run_transcript.read_expected(expected_path)
    except OSError as failure:
        return f"FAIL {name}: cannot read the expected transcript: {failure}"
    if run_transcript.is_variant(expected_path) and not comments:
        return f"FAIL {name}: {os.path.basename(expected_path)} must begin with a '; ' line saying why it differs"
    if transcript == expected:
        return None
    diff = "".join(difflib.unified_diff(run_transcript.show(expected), run_transcript.show(transcript),
                                        expected_path, f"tansy.exe of {label} under wine"))
    return f"FAIL {name}: the transcript differs from {os.path.basename(expected_path)}:\n{diff}{errors}"


def compare_builds(scenario, results):
    """The failure report when the builds' transcripts of a scenario differ, or None."""
    ran = [(label, result) for label, result in results if result is not None]
    if len(ran) < 2:
        return None
    (first, (_, reference)), *others = ran
    for label, (_, transcript) in others:
        if transcript != reference:
            diff = "".join(difflib.unified_diff(run_transcript.show(reference), run_transcript.show(transcript),
                                                first, label))
            return f"FAIL {os.path.basename(scenario)}: the transcripts of {first} and {label} differ:\n{diff}"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", nargs=4, action="append", required=True,
                        metavar=("LABEL", "WINE", "TANSY_EXE", "TANSY_UTF8_EXE"),
                        help="a Windows build: its label, its wine loader, its tansy.exe and the UTF-8 copy")
    parser.add_argument("--work", required=True, help="a folder for the run's own files")
    parser.add_argument("--bless", action="store_true", help="write NAME.wine.out where Windows answers differently")
    parser.add_argument("scenarios", nargs="+", help="NAME.scn files")
    args = parser.parse_args()

    groups = collections.OrderedDict()
    wanted = {}
    for scenario in sorted(os.path.abspath(s) for s in args.scenarios):
        group, wanted[scenario] = group_of(scenario)
        if group.codepage not in LOCALES:
            print(f"FAIL {os.path.basename(scenario)}: no Windows environment for code page {group.codepage}")
            return 1
        groups.setdefault(group, []).append(scenario)

    failures = []
    suffix = f".{VARIANT}.out"
    for folder in sorted({os.path.dirname(s) for s in wanted}):
        for name in sorted(os.listdir(folder)):
            if name.endswith(suffix) and os.path.join(folder, name[: -len(suffix)] + ".scn") not in wanted:
                failures.append(f"FAIL {name}: no scenario of that name was run")
    results = collections.defaultdict(list)  # scenario: [(label, result)] in the order of the builds
    errors = {}
    processes = 0
    for label, wine, tansy, tansy_utf8 in args.build:
        for group, scenarios in groups.items():
            executable = tansy_utf8 if group.codepage == "65001" else tansy
            by_scenario, errors[label, group] = run_group(group, scenarios, executable, wine, args.work)
            processes += 1
            for scenario in scenarios:
                results[scenario].append((label, by_scenario[scenario]))

    passed = variants = 0
    for group, scenarios in groups.items():
        for scenario in scenarios:
            across = compare_builds(scenario, results[scenario])
            ran = [result for _, result in results[scenario]]
            if args.bless and not across and all(r is not None and r[0] == wanted[scenario] for r in ran):
                bless(scenario, ran[0][1])
            reports = [check(scenario, label, result, wanted[scenario], errors[label, group])
                       for label, result in results[scenario]]
            reports = [report for report in reports + [across] if report]
            if reports:
                failures.extend(reports)
                continue
            passed += 1
            if run_transcript.is_variant(run_transcript.expected_file(scenario, VARIANT)):
                variants += 1
    for report in failures:
        print(report)
    labels = " and ".join(label for label, *_ in args.build)
    print(f"wine transcripts ({labels}): {passed} scenarios passed ({variants} against their Windows transcript "
          f"NAME.wine.out), {len(failures)} failures, in {processes} tansy.exe processes")
    return 1 if failures or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
