#!/usr/bin/env bash
# fuzz.sh [SECONDS] [BUILD_DIR]: builds the libFuzzer targets (clang, ASan + UBSan, in BUILD_DIR,
# default build/fuzz; the test command passes its sanitizer build, which has them) and runs each
# for SECONDS (default 30), as many at once as there are cores:
#   line_analysis  child output through the analyzer with the target systems' rule groups active
#   report_cycle   data.js loaded, updated, saved and loaded again
#   command_line   the command line with a response file
#   prefilter      the rule prefilter against PCRE2 on arbitrary patterns (fuzz/prefilter.dict)
#   junit_report   the JUnit report of arbitrary texts, read back by libxml2
# Seeds: fuzz/corpus/<target>, the captured client output (tests/e2e/captured) and the examples.
# Inputs that add coverage are kept in build/fuzz/corpus/<target>, so longer runs build on
# shorter ones. A crash, leak, time-out or running out of memory is saved in
# build/fuzz/artifacts/ and fails the script; each target's log is build/fuzz/logs/<target>.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=${2:-$root/build/fuzz}
case $build in /*) ;; *) build=$PWD/$build ;; esac
targets=(line_analysis report_cycle command_line prefilter junit_report)

bash "$root/scripts/deps.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DML_FUZZ=ON -DML_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"
mkdir -p "$build/artifacts" "$build/logs"

# session TARGET SECONDS [FLAGS and SEED FOLDERS...]: one libFuzzer run, its output appended to
# the target's log; prints its last status line. New inputs go to the first folder only, which
# is the one under build/.
session() {
  local target=$1 time=$2
  shift 2
  local log=$build/logs/$target.log
  mkdir -p "$build/corpus/$target"
  "$build/fuzz/fuzz_$target" "$build/corpus/$target" "$root/fuzz/corpus/$target" "$@" \
    -max_total_time="$time" -timeout=60 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" >>"$log" 2>&1 || return 1
  echo "  $(grep -E '^#[0-9]+(: cov|[[:space:]]+DONE)' "$log" | tail -n 1)"
}

# Each analyzer leaves its trace collector (about 1 MB) with the process-wide tracer for good, so
# the line analysis runs in libFuzzer's fork mode, whose jobs are short-lived processes, in
# sessions of at most a minute that keep the jobs short. Leaks are checked at each job's end
# rather than after every input, which would run each input twice. Fork mode reads its seeds
# from folders only.
line_analysis() {
  local left=$seconds time
  while ((left > 0)); do
    time=$((left < 60 ? left : 60))
    session line_analysis "$time" -fork=1 -ignore_ooms=0 -ignore_timeouts=0 -ignore_crashes=0 \
      -detect_leaks=0 "$root/tests/e2e/captured" "$root/examples" || return 1
    left=$((left - time))
  done
}
report_cycle() {
  local seeds
  seeds=$(printf '%s,' "$root"/examples/*/reports/data.js "$root"/tests/e2e/*/*/reports/data.js)
  session report_cycle "$seconds" -seed_inputs="${seeds%,}"
}
command_line() {
  session command_line "$seconds"
}
prefilter() {
  session prefilter "$seconds" -dict="$root/fuzz/prefilter.dict" -max_len=512
}
junit_report() {
  session junit_report "$seconds" "$root/tests/e2e/captured"
}

# run_target TARGET: one target's run, its report (and on failure the end of its log) written to
# logs/TARGET.out, to be printed whole when it ends.
run_target() {
  local target=$1
  : >"$build/logs/$target.log"
  {
    echo "fuzz_$target ($seconds s):"
    "$target" || {
      echo "FAIL fuzz_$target (artifacts in $build/artifacts):"
      tail -n 40 "$build/logs/$target.log"
      return 1
    }
  } >"$build/logs/$target.out" 2>&1
}

failed=0
running=()
finish_running() {
  for target in "${running[@]}"; do
    wait "${pids[$target]}" || failed=1
    cat "$build/logs/$target.out"
  done
  running=()
}
declare -A pids
for target in "${targets[@]}"; do
  run_target "$target" &
  pids[$target]=$!
  running+=("$target")
  ((${#running[@]} < $(nproc))) || finish_running
done
finish_running
exit "$failed"
