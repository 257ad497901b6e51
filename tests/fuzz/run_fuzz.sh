#!/usr/bin/env bash
# Bounded libFuzzer runs of both fuzz targets, as CI makes them: builds the
# "fuzz" preset (clang, libFuzzer, AddressSanitizer, UBSan), then runs each
# target for a fixed number of executions from its checked-in seed corpus.
# A crash, a broken promise, a leak, a hang or a memory blow-up fails the
# run; the input that caused it is copied into tests/fuzz/regressions/TARGET/,
# where the replay test of every build picks it up once it is committed.
#
#   tests/fuzz/run_fuzz.sh            both targets, the CI budget
#   tests/fuzz/run_fuzz.sh text       one target
# Environment: TANSY_FUZZ_RUNS_EXPORTS, TANSY_FUZZ_RUNS_TEXT (executions),
# TANSY_FUZZ_SEED (the fuzzer's random seed; 0 picks a new one each run),
# TANSY_JOBS (build jobs).
set -euo pipefail
cd "$(dirname "$0")/../.."

jobs=${TANSY_JOBS:-2}
seed=${TANSY_FUZZ_SEED:-20240611}
declare -A runs=(
  [exports]=${TANSY_FUZZ_RUNS_EXPORTS:-30000}
  [text]=${TANSY_FUZZ_RUNS_TEXT:-1000000}
)
declare -A max_len=([exports]=20000 [text]=4096)
declare -A dict=([exports]=tests/fuzz/hotlist.dict [text]=)

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(exports text)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

status=0
for target in "${targets[@]}"; do
  [ -n "${runs[$target]:-}" ] || { echo "run_fuzz: no target '$target' (exports, text)" >&2; exit 2; }
  work=build/fuzz/work/$target
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/findings"
  options=(
    -runs="${runs[$target]}" -seed="$seed" -max_len="${max_len[$target]}"
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
    -artifact_prefix="$work/findings/"
  )
  [ -z "${dict[$target]}" ] || options+=(-dict="${dict[$target]}")
  echo "== fuzz_$target: ${runs[$target]} executions =="
  # New inputs go to the scratch corpus only; the seeds stay as checked in.
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     build/fuzz/bin/fuzz_$target "${options[@]}" "$work/corpus" "tests/fuzz/corpus/$target" \
     >"$work/log" 2>&1; then
    grep -E '^(stat::number_of_executed_units|Done )' "$work/log" || true
  else
    status=1
    tail -n 60 "$work/log"
    mkdir -p "tests/fuzz/regressions/$target"
    for finding in "$work"/findings/*; do
      [ -e "$finding" ] || continue
      kept=tests/fuzz/regressions/$target/$(basename "$finding")
      cp "$finding" "$kept"
      echo "run_fuzz: fuzz_$target failed; its input is kept as $kept (commit it with the fix)" >&2
    done
  fi
done
exit $status
