#!/usr/bin/env bash
# The pass benchmark on the Windows builds: builds TANSY_WFX.wfx64 and
# TANSY_WFX.wfx (the win64 and win32 presets, each with tansy_wine_bench.exe
# beside it, in build/wine-bench/win64 and win32), makes the native
# benchmark's hotlists (bench/run_bench.sh --hotlists, kept in
# build/bench/bench/hotlists), and runs the program under wine64 and wine32
# in ANSI code page 1251. It times a walk to the last folder, a "properties"
# scan and a listing of "\" with everything nested through the library's
# exports against ReadFile + memchr over the same file, and prints a table for
# each build: median ms per pass, baseline ms, the ratio, and the least and
# greatest value of the repetitions.
#
# Usage: bench/run_wine_bench.sh [--sizes=5,6] [--bits=64,32] [--keep] [PROGRAM OPTIONS]
#   --sizes   powers of ten of the bookmarks (default 5,6: files of about 21 and 209 MB)
#   --bits    the builds to run (default 64,32)
#   --keep    leave the wine environment in build/wine-bench/env for a look
#   PROGRAM OPTIONS go to tansy_wine_bench.exe: --repetitions=N (default 5),
#   --sample-ms=MS (default 1000: the CPU time of each timed batch), --only=PASS
#   (one pass alone, for a profiler: walk, properties, list or baseline)
#
# The wine environment is private (its own WINEPREFIX, TMPDIR and ru_RU.UTF-8
# locale built with localedef, WINEDEBUG=-all, no display) and wineserver is
# stopped however the run ends. Other work on the machine moves the numbers:
# the load average is printed before each run. It is a benchmark: no test
# runs it. Exit status 0 when every run finished, 1 otherwise, 2 on bad usage.
set -euo pipefail

# The usage lines of the comment above: to standard output for --help (status
# 0), to standard error after a bad argument (status 2).
usage() {
  if [ "$1" = 0 ]; then sed -n '13,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0; fi
  sed -n '13,19p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

root=$(cd "$(dirname "$0")/.." && pwd)
sizes=5,6
bits=64,32
keep=no
program_options=()
for argument in "$@"; do
  case $argument in
    --sizes=*) sizes=${argument#--sizes=} ;;
    --bits=*) bits=${argument#--bits=} ;;
    --keep) keep=yes ;;
    -h | --help) usage 0 ;;
    --repetitions=* | --sample-ms=* | --only=*) program_options+=("$argument") ;;
    *) echo "$0: unknown argument $argument" >&2; usage 2 ;;
  esac
done
[[ $sizes =~ ^[0-9]+(,[0-9]+)*$ ]] || { echo "$0: --sizes wants powers of ten such as 5,6" >&2; exit 2; }
[[ $bits =~ ^(64|32)(,(64|32))*$ ]] || { echo "$0: --bits wants 64, 32 or both" >&2; exit 2; }

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

step() { printf '\n-- %s --\n' "$*" >&2; }

# The Windows builds, each in a folder of its own so that the presets' own
# build folders keep their options.
IFS=, read -ra bit_list <<<"$bits"
for bit in "${bit_list[@]}"; do
  step "win$bit build with the benchmark program"
  build=$out/win$bit
  cmake --preset "win$bit" -B "$build" -DTANSY_BUILD_HOST=ON -DTANSY_BUILD_BENCH=ON -DTANSY_BUILD_TESTS=OFF \
    >/dev/null
  cmake --build "$build" --target tansy_wine_bench -j "$jobs" >&2
done

step "hotlists (bench/run_bench.sh --hotlists)"
hotlists=$("$root/bench/run_bench.sh" --sizes="$sizes" --hotlists)

# The wine environment.
env_dir=$out/env
rm -rf "$env_dir"
mkdir -p "$env_dir/tmp" "$env_dir/locale"
export WINEPREFIX=$env_dir/prefix
export TMPDIR=$env_dir/tmp
export LOCPATH=$env_dir/locale
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY LC_ALL

cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  if [ "$keep" = no ]; then rm -rf "$env_dir"; else echo "wine environment kept in $env_dir" >&2; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

step "wine environment in $env_dir"
localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8" >"$env_dir/localedef.log" 2>&1 ||
  [ -f "$LOCPATH/ru_RU.UTF-8/LC_CTYPE" ] || { cat "$env_dir/localedef.log" >&2; exit 1; }
env LC_ALL=ru_RU.UTF-8 timeout -k 5 300 "$wine64" wineboot --init </dev/null >"$env_dir/wineboot.log" 2>&1 ||
  { cat "$env_dir/wineboot.log" >&2; echo "$0: wineboot failed" >&2; exit 1; }
"$wineserver" -w
# A persistent wineserver: the runs start quickly and none waits on another.
"$wineserver" -p

# A Linux path as wine's Z: drive sees it.
windows_path() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

arguments=()
while IFS=$'\t' read -r bookmarks tail nested; do
  arguments+=("$bookmarks" "$(windows_path "$tail")" "$(windows_path "$nested")")
done <<<"$hotlists"

failed=()
for bit in "${bit_list[@]}"; do
  wine=$wine64
  [ "$bit" = 32 ] && wine=$wine32
  step "win$bit under $(basename "$wine"), load average $(cut -d' ' -f1-3 /proc/loadavg)"
  printf '\n### %s-bit build under %s\n\n' "$bit" "$(basename "$wine")"
  if ! env LC_ALL=ru_RU.UTF-8 timeout -k 5 3600 "$wine" "$out/win$bit/bin/tansy_wine_bench.exe" \
    "${program_options[@]}" "${arguments[@]}" </dev/null | tr -d '\r'; then
    failed+=("win$bit")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "$0: the run of ${failed[*]} failed" >&2
  exit 1
fi
