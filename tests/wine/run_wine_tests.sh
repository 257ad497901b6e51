#!/usr/bin/env bash
# Windows conformance tests: the 64-bit Windows build run on a real
# implementation of the Windows API, wine64. The unit tests run against the
# real conversions, files, profile strings and variants, and every transcript
# scenario runs through tansy.exe and TANSY_WFX.wfx64 against the same expected
# transcript as the native run (or its NAME.wine.out, which says why it differs),
# and whole hotlists are checked against check_tree.py's own parser.
#
#   tests/wine/run_wine_tests.sh BUILD_DIR [--keep] [--bless]
#
# BUILD_DIR is a 64-bit mingw-w64 build (the win64 preset: build/win64). The
# test makes its own wine environment in BUILD_DIR/wine-tests and removes it
# afterwards (--keep leaves it for a look): a private WINEPREFIX and TMPDIR,
# the null display driver (real windows without an X server), and the
# ru_RU.UTF-8 and en_US.UTF-8 locales built with localedef into LOCPATH, which
# give wine's ANSI code pages 1251 and 1252 (and for code page 65001 a copy of
# tansy.exe whose manifest asks for UTF-8). Every wine process reads
# /dev/null, runs under `timeout`, and wineserver is stopped however the run
# ends. --bless writes NAME.wine.out for each scenario whose Windows
# transcript differs from NAME.out (see run_wine_transcripts.py). Needs the
# Debian packages wine64 and locales (scripts/setup).
set -euo pipefail

usage() { echo "usage: $0 BUILD_DIR [--keep] [--bless]" >&2; exit 2; }
[ $# -ge 1 ] || usage
build_arg=$1
shift
keep=no
bless=()
for option in "$@"; do
  case $option in
    --keep) keep=yes ;;
    --bless) bless=(--bless) ;;
    *) usage ;;
  esac
done

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$build_arg" 2>/dev/null && pwd) || { echo "$0: no build folder $build_arg" >&2; exit 2; }
bin=$build/bin
wine=${TANSY_WINE64:-/usr/lib/wine/wine64}
wineserver=${TANSY_WINESERVER:-/usr/lib/wine/wineserver}

for file in "$bin/tansy.exe" "$bin/TANSY_WFX.wfx64" "$bin/tansy_unit_tests.exe"; do
  [ -f "$file" ] || { echo "$0: $file is missing: build the win64 preset first" >&2; exit 2; }
done
for program in "$wine" "$wineserver"; do
  [ -x "$program" ] ||
    { echo "$0: $program is missing: install the Debian package wine64 (scripts/setup)" >&2; exit 2; }
done
command -v localedef >/dev/null || { echo "$0: localedef is missing: install the Debian package locales" >&2; exit 2; }

env_dir=$build/wine-tests
rm -rf "$env_dir"
mkdir -p "$env_dir/tmp" "$env_dir/locale"
export WINEPREFIX=$env_dir/prefix
export TMPDIR=$env_dir/tmp
export LOCPATH=$env_dir/locale
export WINEDEBUG=-all
# No Mono or Gecko installer prompts, no menu entries on the desktop.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY LC_ALL

cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  if [ "$keep" = no ]; then rm -rf "$env_dir"; else echo "wine environment kept in $env_dir"; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# run_wine SECONDS LOCALE PROGRAM ARGS...: one wine process, never waiting
# for input and never running for longer than SECONDS.
run_wine() {
  local seconds=$1 locale=$2
  shift 2
  env LC_ALL="$locale" timeout -k 5 "$seconds" "$wine" "$@" </dev/null
}

step() { printf '\n-- %s --\n' "$*"; }
failed=()

step "wine environment in $env_dir"
for locale in ru_RU en_US; do
  localedef -i "$locale" -f UTF-8 "$LOCPATH/$locale.UTF-8" >"$env_dir/localedef.log" 2>&1 ||
    [ -f "$LOCPATH/$locale.UTF-8/LC_CTYPE" ] || { cat "$env_dir/localedef.log"; exit 1; }
done
run_wine 300 ru_RU.UTF-8 wineboot --init >"$env_dir/wineboot.log" 2>&1 ||
  { cat "$env_dir/wineboot.log"; echo "wineboot failed" >&2; exit 1; }
run_wine 60 ru_RU.UTF-8 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
[ -L "$WINEPREFIX/dosdevices/z:" ] || { echo "the wine prefix has no Z: drive for /" >&2; exit 1; }
# A persistent wineserver, and wine's own services started now with no
# output attached, so later runs start in a fraction of a second and no
# service keeps a test's output open.
"$wineserver" -p
run_wine 60 ru_RU.UTF-8 "$bin/tansy.exe" script >/dev/null 2>&1 ||
  { echo "tansy.exe does not start under wine" >&2; exit 1; }
# Code page 65001: Windows 10 1903 and later give a process the UTF-8 ANSI
# code page when its manifest asks for it, and so does wine.
utf8_dir=$env_dir/utf8-code-page
mkdir -p "$utf8_dir"
cp "$bin/tansy.exe" "$bin/TANSY_WFX.wfx64" "$utf8_dir/"
cat >"$utf8_dir/tansy.exe.manifest" <<'EOF'
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly manifestVersion="1.0" xmlns="urn:schemas-microsoft-com:asm.v1">
  <application>
    <windowsSettings>
      <activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>
    </windowsSettings>
  </application>
</assembly>
EOF
echo "prefix made, null display driver, locales ru_RU.UTF-8 (1251) and en_US.UTF-8 (1252), UTF-8 manifest (65001)"

step "unit tests under wine (code page 1251)"
if run_wine 300 ru_RU.UTF-8 "$bin/tansy_unit_tests.exe" --gtest_brief=1 >"$env_dir/unit.log" 2>&1; then
  tr -d '\r' <"$env_dir/unit.log" | tail -n 3
else
  tr -d '\r' <"$env_dir/unit.log"
  failed+=("unit tests")
fi

step "transcripts under wine"
if ! python3 "$source_dir/tests/wine/run_wine_transcripts.py" --tansy "$bin/tansy.exe" \
  --tansy-utf8 "$utf8_dir/tansy.exe" --wine "$wine" --work "$env_dir" "${bless[@]}" \
  "$source_dir"/tests/transcripts/*.scn; then
  failed+=("transcripts")
fi

step "whole hotlists under wine (code pages 1251 and 65001)"
for codepage in 1251 65001; do
  tansy=$bin/tansy.exe
  [ "$codepage" = 65001 ] && tansy=$utf8_dir/tansy.exe
  env LC_ALL=ru_RU.UTF-8 python3 "$source_dir/tests/transcripts/check_tree.py" --codepage "$codepage" \
    --wrapper=timeout --wrapper=-k --wrapper=5 --wrapper=300 --wrapper="$wine" --tansy "$tansy" \
    "$source_dir/tests/transcripts/hotlists/realistic.hotlist" "$source_dir/data/sample.hotlist" ||
    failed+=("whole hotlists (code page $codepage)")
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Windows conformance tests FAILED: ${failed[*]}"
  exit 1
fi
echo "Windows conformance tests passed"
