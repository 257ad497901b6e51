#!/usr/bin/env python3
"""Runs one transcript test: a scenario through `tansy script`, compared byte
for byte with the expected transcript beside it.

    run_transcript.py --tansy PATH [--wrapper CMD]... [--variant NAME] NAME.scn

The first comment lines of NAME.scn may hold directives:
    ; hotlist: FILE        the hotlist, relative to the scenario's folder
    ; codepage: N          the library's code page (default 1251, as on the
                           Windows systems the transcripts are compared with)
    ; host-class: TTOTAL_CMD   give the main window the file manager's class
    ; exit: N              the exit status tansy must end with (default 0)

The expected transcript is NAME.VARIANT.out when --variant is given and that
file exists, else NAME.out. Lines at the top of an expected file that begin
with ";" are comments, not transcript (a transcript's first line is a call,
"> ..."); a NAME.VARIANT.out must begin with such a comment saying why the
platform legitimately answers differently. --wrapper runs tansy through
another program (such as wine); its output then has CR LF line ends turned
into LF.

With TANSY_BLESS=1 (or --bless) the expected file is written from the run
instead: read every blessed transcript before committing it.
"""

import argparse
import difflib
import os
import subprocess
import sys

DEFAULT_CODEPAGE = "1251"
TIMEOUT_SECONDS = 120


def read_directives(scenario):
    """The `; key: value` lines at the top of a scenario, before its first call."""
    directives = {}
    with open(scenario, "rb") as stream:
        for raw in stream:
            line = raw.rstrip(b"\r\n").decode("utf-8", "replace")
            if not line.strip():
                continue
            if not line.startswith(";"):
                break
            key, colon, value = line[1:].partition(":")
            if colon and key.strip() in ("hotlist", "codepage", "host-class", "exit"):
                directives[key.strip()] = value.strip()
    return directives


def expected_file(scenario, variant):
    base = scenario[: -len(".scn")]
    if variant and os.path.exists(f"{base}.{variant}.out"):
        return f"{base}.{variant}.out"
    return f"{base}.out"


def read_expected(path):
    """The comment lines at the top of an expected file, and the transcript after them."""
    with open(path, "rb") as stream:
        data = stream.read()
    comments = []
    while data.startswith(b";"):
        line, _, data = data.partition(b"\n")
        comments.append(line.decode("utf-8", "replace"))
    return comments, data


def is_variant(path):
    """True for NAME.VARIANT.out, the expected file of one platform."""
    return os.path.basename(path).count(".") > 1


def show(data):
    """Transcript bytes as lines for a diff; bytes outside UTF-8 stay visible."""
    return data.decode("utf-8", "backslashreplace").splitlines(keepends=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tansy", required=True, help="the tansy executable")
    parser.add_argument("--wrapper", action="append", default=[], help="a program (and its arguments, one per --wrapper) to run tansy with")
    parser.add_argument("--variant", help="prefer NAME.VARIANT.out as the expected transcript")
    parser.add_argument("--bless", action="store_true", help="write the expected transcript instead of comparing")
    parser.add_argument("scenario", help="NAME.scn")
    args = parser.parse_args()

    scenario = os.path.abspath(args.scenario)
    folder = os.path.dirname(scenario)
    directives = read_directives(scenario)
    command = args.wrapper + [args.tansy, "--codepage", directives.get("codepage", DEFAULT_CODEPAGE)]
    if "hotlist" in directives:
        command += ["--hotlist", os.path.join(folder, directives["hotlist"])]
    if directives.get("host-class") == "TTOTAL_CMD":
        command.append("--host-class")
    command += ["script", scenario]

    try:
        run = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, timeout=TIMEOUT_SECONDS)
    except subprocess.TimeoutExpired:
        print(f"FAIL: {os.path.basename(scenario)}: tansy did not finish in {TIMEOUT_SECONDS} s", file=sys.stderr)
        return 1
    output = run.stdout.replace(b"\r\n", b"\n") if args.wrapper else run.stdout
    wanted_status = int(directives.get("exit", "0"))
    if run.returncode != wanted_status:
        print(f"FAIL: tansy ended with status {run.returncode}, not {wanted_status}: {' '.join(command)}", file=sys.stderr)
        sys.stderr.write(run.stderr.decode("utf-8", "backslashreplace"))
        sys.stdout.write(output.decode("utf-8", "backslashreplace"))
        return 1

    expected_path = expected_file(scenario, args.variant)
    if args.bless or os.environ.get("TANSY_BLESS") == "1":
        comments = read_expected(expected_path)[0] if os.path.exists(expected_path) else []
        with open(expected_path, "wb") as stream:
            stream.write(b"".join(line.encode("utf-8") + b"\n" for line in comments) + output)
        print(f"blessed {expected_path}: read it before committing")
        return 0

    try:
        comments, expected = read_expected(expected_path)
    except OSError as failure:
        print(f"FAIL: cannot read the expected transcript: {failure}", file=sys.stderr)
        return 1
    if is_variant(expected_path) and not comments:
        print(f"FAIL: {os.path.basename(expected_path)} must begin with a '; ' line saying why it differs "
              f"from {os.path.basename(scenario)[:-len('.scn')]}.out", file=sys.stderr)
        return 1
    if output == expected:
        return 0
    print(f"FAIL: the transcript differs from {os.path.basename(expected_path)}:")
    sys.stdout.writelines(difflib.unified_diff(show(expected), show(output), expected_path, "tansy script"))
    sys.stderr.write(run.stderr.decode("utf-8", "backslashreplace"))
    return 1


if __name__ == "__main__":
    sys.exit(main())
