#!/usr/bin/env bash
# The pass benchmark on the Windows builds: builds TANSY_WFX.wfx64 and
# TANSY_WFX.wfx (the win64 and win32 presets, each with tansy_wine_bench.exe
# beside it, in build/wine-bench/win64 and win32), makes the native
# benchmark's hotlists (bench/run_bench.sh --hotlists, kept in
# build/bench/bench/hotlists), and runs the program under wine64 and wine32
# in ANSI code page 1251. It times a walk to the last folder, a "properties"
# scan and a listing of "\" with everything nested through the library's
# ANSI and Unicode exports against ReadFile over the same file with its lines
# counted by SSE2 (the baseline) and by memchr (the earlier baseline), and
# prints a table for each build: median ms per pass, the readings' ms, the
# ratios, and the least and greatest value of the repetitions; then the
# nesting tables of the native benchmark.
#
# Usage: bench/run_wine_bench.sh [--sizes=5,6] [--bits=64,32] [--profile=PASS] [--keep] [PROGRAM OPTIONS]
#   --sizes    powers of ten of the bookmarks (default 5,6: files of about 21 and 209 MB)
#   --bits     the builds to run (default 64,32)
#   --profile  instead of the table, where one pass spends its time, by function and source line, from
#              perf (walk, properties, list, their Unicode forms walkw, propertiesw and listw, baseline
#              or memchr); needs perf, best with --sizes=6
#   --keep     leave the wine environment in build/wine-bench/env for a look
#   PROGRAM OPTIONS go to tansy_wine_bench.exe: --repetitions=N (default 5),
#   --sample-ms=MS (default 1000: the CPU time of each timed batch), --no-nesting
#
# The wine environment is private (its own WINEPREFIX, TMPDIR and ru_RU.UTF-8
# locale built with localedef, WINEDEBUG=-all, no display) and wineserver is
# stopped however the run ends. Other work on the machine moves the numbers:
# the load average is printed before each run. A profile runs a build made
# with symbols (build/wine-bench/sym32, sym64) whose library code is checked
# to be the same bytes as the measured build's; perf's data stays in
# build/wine-bench/profile-winBITS-PASS.perf. It is a benchmark: no test
# runs it. Exit status 0 when every run finished, 1 otherwise, 2 on bad usage.
set -euo pipefail

# The usage lines of the comment above: to standard output for --help (status
# 0), to standard error after a bad argument (status 2).
usage() {
  if [ "$1" = 0 ]; then sed -n '15,23p' "$0" | sed 's/^# \{0,1\}//'; exit 0; fi
  sed -n '15,23p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

root=$(cd "$(dirname "$0")/.." && pwd)
sizes=5,6
bits=64,32
keep=no
profile=
program_options=()
for argument in "$@"; do
  case $argument in
    --sizes=*) sizes=${argument#--sizes=} ;;
    --bits=*) bits=${argument#--bits=} ;;
    --profile=*) profile=${argument#--profile=} ;;
    --keep) keep=yes ;;
    -h | --help) usage 0 ;;
    --repetitions=* | --sample-ms=*) program_options+=("$argument") ;;
    *) echo "$0: unknown argument $argument" >&2; usage 2 ;;
  esac
done
[[ $sizes =~ ^[0-9]+(,[0-9]+)*$ ]] || { echo "$0: --sizes wants powers of ten such as 5,6" >&2; exit 2; }
[[ $bits =~ ^(64|32)(,(64|32))*$ ]] || { echo "$0: --bits wants 64, 32 or both" >&2; exit 2; }
[[ -z $profile || $profile =~ ^(walk|properties|list|walkw|propertiesw|listw|baseline|memchr)$ ]] ||
  { echo "$0: --profile wants walk, properties, list, walkw, propertiesw, listw, baseline or memchr" >&2; exit 2; }

jobs=${TANSY_JOBS:-2}
out=$root/build/wine-bench
wine64=${TANSY_WINE64:-/usr/lib/wine/wine64}
wine32=${TANSY_WINE32:-/usr/lib/wine/wine}
wineserver=${TANSY_WINESERVER:-/usr/lib/wine/wineserver}
for program in "$wine64" "$wineserver"; do
  [ -x "$program" ] || { echo "$0: $program is missing: install wine64 (scripts/setup)" >&2; exit 1; }
done
if [[ $bits == *32* && ! -x $wine32 ]]; then
  echo "$0: $wine32 is missing: install wine32 (Debian package wine32:i386)" >&2
  exit 1
fi
command -v localedef >/dev/null || { echo "$0: localedef is missing: install the Debian package locales" >&2; exit 1; }
if [ -n "$profile" ]; then
  command -v perf >/dev/null || { echo "$0: perf is missing: install the Debian package linux-perf" >&2; exit 1; }
fi

step() { printf '\n-- %s --\n' "$*" >&2; }

# build FOLDER PRESET [CMAKE OPTIONS]: the library and the benchmark program.
# Each build has a folder of its own, so the presets' folders keep their options.
build() {
  local folder=$1 preset=$2
  shift 2
  step "$preset build with the benchmark program in $folder"
  cmake --preset "$preset" -B "$folder" -DTANSY_BUILD_HOST=ON -DTANSY_BUILD_BENCH=ON -DTANSY_BUILD_TESTS=OFF \
    "$@" >/dev/null
  cmake --build "$folder" --target tansy_wine_bench -j "$jobs" >&2
}

# text_of LIBRARY BIT: the bytes of the library's code.
text_of() {
  local tools=x86_64-w64-mingw32-
  [ "$2" = 32 ] && tools=i686-w64-mingw32-
  "${tools}objcopy" -O binary -j .text "$1" /dev/stdout | sha256sum
}

library_name() { if [ "$1" = 32 ]; then echo TANSY_WFX.wfx; else echo TANSY_WFX.wfx64; fi; }

IFS=, read -ra bit_list <<<"$bits"
for bit in "${bit_list[@]}"; do
  build "$out/win$bit" "win$bit"
  if [ -n "$profile" ]; then
    # The measured build's flags with debug information, which leaves the
    # code as it is; the Release build strips its library.
    release_flags=$(sed -n 's/^CMAKE_CXX_FLAGS_RELEASE:STRING=//p' "$out/win$bit/CMakeCache.txt")
    build "$out/sym$bit" "win$bit" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$release_flags -g"
    library=$(library_name "$bit")
    if [ "$(text_of "$out/win$bit/bin/$library" "$bit")" != "$(text_of "$out/sym$bit/bin/$library" "$bit")" ]; then
      echo "$0: the code of $out/sym$bit/bin/$library differs from the measured build's; no profile" >&2
      exit 1
    fi
  fi
done

step "hotlists (bench/run_bench.sh --hotlists)"
hotlists=$("$root/bench/run_bench.sh" --sizes="$sizes" --hotlists)

source "$root/tests/wine/wine_environment.sh"
make_wine_environment "$out/env"
step "wine environment in $env_dir"
boot_wine_environment "$wine64" ru_RU

# A Linux path as wine's Z: drive sees it.
windows_path() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

arguments=()
while IFS=$'\t' read -r bookmarks tail nested; do
  arguments+=("$bookmarks" "$(windows_path "$tail")" "$(windows_path "$nested")")
done <<<"$hotlists"

# run_program BIT BUILD_FOLDER [PROGRAM OPTIONS]: one run under the bit's wine,
# its output without CRs; `wrapper` (perf) goes before wine when set.
wrapper=()
run_program() {
  local wine=$wine64
  [ "$1" = 32 ] && wine=$wine32
  local folder=$2
  shift 2
  env LC_ALL=ru_RU.UTF-8 timeout -k 5 3600 "${wrapper[@]}" "$wine" "$folder/bin/tansy_wine_bench.exe" \
    "$@" "${arguments[@]}" </dev/null | tr -d '\r'
}

failed=()
for bit in "${bit_list[@]}"; do
  wine_name=wine64
  [ "$bit" = 32 ] && wine_name=wine
  step "win$bit under $wine_name, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  if [ -z "$profile" ]; then
    printf '\n### %s-bit build under %s\n\n' "$bit" "$wine_name"
    run_program "$bit" "$out/win$bit" "${program_options[@]}" || failed+=("win$bit")
    continue
  fi
  printf '\n### Profile of "%s", %s-bit build under %s\n\n' "$profile" "$bit" "$wine_name"
  data=$out/profile-win$bit-$profile
  wrapper=(perf record -q -e cpu-clock -F 2000 --call-graph "dwarf,64" -o "$data.perf" --)
  if run_program "$bit" "$out/sym$bit" --only="$profile" "${program_options[@]}" &&
    perf script -i "$data.perf" -D >"$data.dump" 2>/dev/null &&
    python3 "$root/bench/wine_profile.py" "$data.dump" "$out/sym$bit/bin/$(library_name "$bit")" \
      "$out/sym$bit/bin/tansy_wine_bench.exe" "$bit"; then
    rm -f "$data.dump"
  else
    failed+=("win$bit")
  fi
  wrapper=()
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "$0: the run of ${failed[*]} failed" >&2
  exit 1
fi
