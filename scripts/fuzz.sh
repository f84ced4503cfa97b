#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the libFuzzer targets (clang, ASan + UBSan, build/fuzz) and runs each
# for SECONDS (default 30):
#   line_analysis  child output through the analyzer with the target systems' rule groups active
#   report_cycle   data.js loaded, updated, saved and loaded again
#   command_line   the command line with a response file
# Seeds: fuzz/corpus/<target>, the captured client output (tests/e2e/captured) and the examples.
# Inputs that add coverage are kept in build/fuzz/corpus/<target>, so longer runs build on
# shorter ones. A crash, leak or time-out is saved in build/fuzz/artifacts/ and fails the script;
# each target's log is build/fuzz/logs/<target>.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=$root/build/fuzz
targets=(line_analysis report_cycle command_line)

bash "$root/scripts/deps.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DML_FUZZ=ON -DML_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

join() {
  local IFS=,
  echo "$*"
}
declare -A seeds=(
  [line_analysis]=$(join "$root"/tests/e2e/captured/*.txt "$root"/examples/*/*.sh)
  [report_cycle]=$(join "$root"/examples/*/reports/data.js "$root"/tests/e2e/*/*/reports/data.js)
  [command_line]=""
)
# Each analyzer leaves its trace collector with the process-wide tracer for good; libFuzzer would
# take that for a leak of every input and run each input twice to look for it. Leaks are still
# checked when the run ends.
declare -A flags=([line_analysis]="-detect_leaks=0" [report_cycle]="" [command_line]="")

mkdir -p "$build/artifacts" "$build/logs"
failed=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  log=$build/logs/$target.log
  mkdir -p "$corpus"
  # shellcheck disable=SC2086
  if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" ${seeds[$target]:+-seed_inputs=${seeds[$target]}} \
    ${flags[$target]} "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
    echo "fuzz_$target: $(grep -E '^#[0-9]+.*DONE' "$log" | tail -n 1)"
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" |
      sed 's/^/  /'
  else
    echo "FAIL fuzz_$target (artifacts in $build/artifacts, log $log):"
    tail -n 40 "$log"
    failed=1
  fi
done
exit "$failed"
