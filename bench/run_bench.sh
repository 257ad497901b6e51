#!/usr/bin/env bash
# Builds the pass benchmark (Release, in build/bench) and runs it. It times a
# walk to the last folder, a listing of "\" with everything nested and a
# "properties" scan, through the ANSI and the Unicode exports, over generated
# hotlists of 10^4, 10^5 and 10^6 bookmarks, against plain readings of the
# same files (the lines counted with SSE2, the baseline, and with memchr), and
# prints a table of the times, their ratios to both readings, MB/s and heap
# growth. Then, unless --no-nesting, the trees of up to 10^5 bookmarks walked
# whole depth first against their folders listed one by one, and nests of 10
# to 10,000 folders (some minutes for the deepest). The hotlists are made
# once (about 420 MB for 10^6) and kept in build/bench/bench/hotlists.
#
# Usage: bench/run_bench.sh [--sizes=4,5,6] [--no-nesting] [Google Benchmark options]
#        bench/run_bench.sh [--sizes=4,5,6] --hotlists   (only make the hotlists
#        and print, for each size, its bookmarks and the two files, tab-parted)
# The exit status is 0 when every goal is met, 2 when one is not, 1 on errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TANSY_BENCH_BUILD:-$root/build/bench}
jobs=${TANSY_JOBS:-2}

if [ ! -f "$build/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake "$build" -DCMAKE_BUILD_TYPE=Release -DTANSY_BUILD_BENCH=ON >/dev/null
# Build output to standard error: standard output is the table (or the hotlists).
cmake --build "$build" --target tansy_bench -j "$jobs" >&2
exec "$build/bin/tansy_bench" "$@"
