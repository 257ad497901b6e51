#!/usr/bin/env bash
# Windows conformance tests: the Windows builds run on a real implementation
# of the Windows API, wine: the 64-bit build under wine64, the 32-bit build
# (the product, TANSY_WFX.wfx) under wine's 32-bit loader. The unit tests run
# against the real conversions, files, profile strings and variants; every
# transcript scenario runs through each build's tansy.exe and library against
# the same expected transcript as the native run (or its NAME.wine.out, which
# says why it differs), and the builds' transcripts must agree with each
# other; whole hotlists are checked against check_tree.py's own parser. The
# 32-bit tansy.exe checks every call of an export for stdcall and calls it
# with the stack misaligned (host/StackCheck.h).
#
#   tests/wine/run_wine_tests.sh BUILD_DIR... [--keep] [--bless]
#
# Each BUILD_DIR is a mingw-w64 build: the win64 preset (build/win64, holding
# TANSY_WFX.wfx64) or the win32 preset (build/win32, holding TANSY_WFX.wfx).
# One wine environment serves the whole run, in FIRST_BUILD_DIR/wine-tests,
# and is removed afterwards (--keep leaves it for a look): a private
# WINEPREFIX (a 64-bit one, which runs 32-bit programs too) and TMPDIR, the
# null display driver (real windows without an X server), and the
# ru_RU.UTF-8 and en_US.UTF-8 locales built with localedef into LOCPATH,
# which give wine's ANSI code pages 1251 and 1252 (and for code page 65001 a
# copy of tansy.exe whose manifest asks for UTF-8). Every wine process reads
# /dev/null, runs under `timeout`, and wineserver is stopped however the run
# ends. --bless writes NAME.wine.out for each scenario whose Windows
# transcript differs from NAME.out (see run_wine_transcripts.py).
#
# A machine whose kernel cannot run 32-bit programs at all (wine's 32-bit
# loader fails with "Exec format error") skips the 32-bit build with one line
# saying so; anywhere else a 32-bit failure fails the run. Needs the Debian
# packages wine64, wine32:i386 and locales (scripts/setup).
set -euo pipefail

usage() { echo "usage: $0 BUILD_DIR... [--keep] [--bless]" >&2; exit 2; }
keep=no
bless=()
build_args=()
for option in "$@"; do
  case $option in
    --keep) keep=yes ;;
    --bless) bless=(--bless) ;;
    -*) usage ;;
    *) build_args+=("$option") ;;
  esac
done
[ ${#build_args[@]} -ge 1 ] || usage

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
wine64=${TANSY_WINE64:-/usr/lib/wine/wine64}
wine32=${TANSY_WINE32:-/usr/lib/wine/wine}
wineserver=${TANSY_WINESERVER:-/usr/lib/wine/wineserver}
command -v localedef >/dev/null || { echo "$0: localedef is missing: install the Debian package locales" >&2; exit 2; }
[ -x "$wineserver" ] || { echo "$0: $wineserver is missing: install the Debian package wine64 (scripts/setup)" >&2; exit 2; }

# The builds: label, folder, library and wine loader of each.
labels=() bins=() libraries=() wines=()
for build_arg in "${build_args[@]}"; do
  build=$(cd "$build_arg" 2>/dev/null && pwd) || { echo "$0: no build folder $build_arg" >&2; exit 2; }
  files=(tansy.exe tansy_unit_tests.exe)
  if [ -f "$build/bin/TANSY_WFX.wfx64" ]; then
    label=win64 library=TANSY_WFX.wfx64 wine=$wine64 package=wine64
  elif [ -f "$build/bin/TANSY_WFX.wfx" ]; then
    label=win32 library=TANSY_WFX.wfx wine=$wine32 package=wine32:i386
    files+=(tansy_cdecl_slip.wfx)
  else
    echo "$0: $build/bin holds neither TANSY_WFX.wfx64 nor TANSY_WFX.wfx: build the win64 or win32 preset" >&2
    exit 2
  fi
  for file in "${files[@]}"; do
    [ -f "$build/bin/$file" ] || { echo "$0: $build/bin/$file is missing: build the $label preset" >&2; exit 2; }
  done
  [ -x "$wine" ] || { echo "$0: $wine is missing: install the Debian package $package (scripts/setup)" >&2; exit 2; }
  if [ "$label" = win32 ]; then
    # wine's 32-bit loader is itself a 32-bit program: where it cannot start
    # with "Exec format error", the kernel runs no 32-bit code at all.
    if ! probe=$("$wine" --version 2>&1 </dev/null); then
      if [[ $probe == *"Exec format error"* ]]; then
        echo "win32 build NOT RUN: this machine cannot run 32-bit programs ($wine --version fails with" \
          "\"Exec format error\": a kernel without 32-bit support); the static checks of TANSY_WFX.wfx" \
          "(export tables, stdcall, version) still run in the native tests"
        continue
      fi
      echo "$0: $wine --version failed: $probe" >&2
      exit 1
    fi
  fi
  labels+=("$label") bins+=("$build/bin") libraries+=("$library") wines+=("$wine")
done
[ ${#labels[@]} -ge 1 ] || exit 0

source "$source_dir/tests/wine/wine_environment.sh"
make_wine_environment "$(cd "${build_args[0]}" && pwd)/wine-tests"

# run_wine SECONDS LOCALE WINE PROGRAM ARGS...: one wine process, never
# waiting for input and never running for longer than SECONDS.
run_wine() {
  local seconds=$1 locale=$2
  shift 2
  env LC_ALL="$locale" timeout -k 5 "$seconds" "$@" </dev/null
}

step() { printf '\n-- %s --\n' "$*"; }
failed=()

step "wine environment in $env_dir"
# A 64-bit prefix where wine64 is installed: it runs both kinds of program.
boot_wine=$wine64
[ -x "$boot_wine" ] || boot_wine=${wines[0]}
boot_wine_environment "$boot_wine" ru_RU en_US
# Each build's tansy.exe runs once now with no output attached: wine's own
# services start then, and none keeps a test's output open later.
utf8_bins=()
for i in "${!labels[@]}"; do
  run_wine 60 ru_RU.UTF-8 "${wines[i]}" "${bins[i]}/tansy.exe" script >/dev/null 2>&1 ||
    { echo "the ${labels[i]} tansy.exe does not start under ${wines[i]}" >&2; exit 1; }
  # Code page 65001: Windows 10 1903 and later give a process the UTF-8 ANSI
  # code page when its manifest asks for it, and so does wine.
  utf8_dir=$env_dir/utf8-code-page-${labels[i]}
  mkdir -p "$utf8_dir"
  cp "${bins[i]}/tansy.exe" "${bins[i]}/${libraries[i]}" "$utf8_dir/"
  cat >"$utf8_dir/tansy.exe.manifest" <<'MANIFEST'
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly manifestVersion="1.0" xmlns="urn:schemas-microsoft-com:asm.v1">
  <application>
    <windowsSettings>
      <activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>
    </windowsSettings>
  </application>
</assembly>
MANIFEST
  utf8_bins+=("$utf8_dir")
done
echo "prefix made, null display driver, locales ru_RU.UTF-8 (1251) and en_US.UTF-8 (1252), UTF-8 manifest (65001);" \
  "builds: ${labels[*]}"

for i in "${!labels[@]}"; do
  step "${labels[i]} unit tests under ${wines[i]##*/} (code page 1251)"
  log=$env_dir/unit-${labels[i]}.log
  if run_wine 300 ru_RU.UTF-8 "${wines[i]}" "${bins[i]}/tansy_unit_tests.exe" --gtest_brief=1 >"$log" 2>&1; then
    tr -d '\r' <"$log" | tail -n 3
  else
    tr -d '\r' <"$log"
    failed+=("${labels[i]} unit tests")
  fi
done

for i in "${!labels[@]}"; do
  [ "${labels[i]}" = win32 ] || continue
  # Every transcript below also checks stdcall; this shows that the check
  # refuses an export that is not.
  step "win32 stack check: a library with a cdecl FsFindFirst is refused"
  slip=${bins[i]}/tansy_cdecl_slip.wfx
  printf 'first \\\n' >"$env_dir/slip.scn"
  status=0
  run_wine 60 ru_RU.UTF-8 "${wines[i]}" "${bins[i]}/tansy.exe" --plugin "Z:${slip//\//\\}" \
    script "Z:${env_dir//\//\\}\\slip.scn" >"$env_dir/slip.out" 2>"$env_dir/slip.err" || status=$?
  message=$(tr -d '\r' <"$env_dir/slip.err")
  if [ "$status" = 1 ] && [[ $message == *"FsFindFirst removed 0 bytes"*"instead of its 8"* ]]; then
    echo "$message"
  else
    echo "status $status, not 1 with the stack check's message:"
    echo "$message"
    failed+=("win32 stack check")
  fi
done

step "transcripts under wine (${labels[*]})"
builds=()
for i in "${!labels[@]}"; do
  builds+=(--build "${labels[i]}" "${wines[i]}" "${bins[i]}/tansy.exe" "${utf8_bins[i]}/tansy.exe")
done
if ! python3 "$source_dir/tests/wine/run_wine_transcripts.py" "${builds[@]}" --work "$env_dir" "${bless[@]}" \
  "$source_dir"/tests/transcripts/*.scn; then
  failed+=("transcripts")
fi

for i in "${!labels[@]}"; do
  step "${labels[i]} whole hotlists under ${wines[i]##*/} (code pages 1251 and 65001)"
  for codepage in 1251 65001; do
    tansy=${bins[i]}/tansy.exe
    [ "$codepage" = 65001 ] && tansy=${utf8_bins[i]}/tansy.exe
    env LC_ALL=ru_RU.UTF-8 python3 "$source_dir/tests/transcripts/check_tree.py" --codepage "$codepage" \
      --wrapper=timeout --wrapper=-k --wrapper=5 --wrapper=300 --wrapper="${wines[i]}" --tansy "$tansy" \
      "$source_dir/tests/transcripts/hotlists/realistic.hotlist" "$source_dir/data/sample.hotlist" ||
      failed+=("${labels[i]} whole hotlists (code page $codepage)")
  done
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Windows conformance tests FAILED: ${failed[*]}"
  exit 1
fi
echo "Windows conformance tests passed (${labels[*]})"
