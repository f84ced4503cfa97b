#!/usr/bin/env bash
# Instructions the program spends per line of output, which the load of a shared machine does
# not change (wall and CPU time do): callgrind counts a run on a 100,000-line and a 200,000-line
# log, and their difference over 100,000 is the cost of a line without the start-up (rule
# compilation, the prefilter's database). Logs as in e2e_bench.sh: the generated Oracle import
# log (-D=Oracle) and real psql output replayed (-D=PostgreSQL), each without and with -RPT.
#
#   bash bench/instructions_per_line.sh [BUILD_DIR=build/release]
#
# LAUNCHER=path measures another build of the program. Takes about five minutes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
case $build in /*) ;; *) build=$root/$build ;; esac
launcher=${LAUNCHER:-$build/DADuduziradOrevurid/MigrationLauncher}
generator=$build/bench/import_log_generator
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
[[ -x $launcher && -x $generator ]] || { echo "build with -DML_BENCHMARKS=ON first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ml_ir.XXXXXX")
trap 'rm -rf "$work"' EXIT
for n in 100000 200000; do
  "$generator" "$work/oracle$n.log" "$n" >/dev/null
  "$generator" --replay "$root/tests/e2e/captured/postgresql-failures.txt" "$work/psql$n.log" \
    "$n" >/dev/null
done

# Prints the instructions of one run: LOG DATABASE [-RPT].
count() {
  local run=$work/run
  rm -rf "$run" && mkdir -p "$run/reports"
  cp "$root/examples/oracle/reports/data.js" "$run/reports/"
  printf '#!/bin/sh\ncat "%s"\n' "$1" >"$run/import_bench.sh" && chmod +x "$run/import_bench.sh"
  (cd "$run" && valgrind --tool=callgrind --callgrind-out-file="$run/cg.out" "$launcher" \
    "-D=$2" ${3:+"$3"} "-BAT=$run/import_bench.sh" >/dev/null 2>"$run/valgrind.txt") || true
  grep -o 'Collected : [0-9]*' "$run/valgrind.txt" | awk '{print $3}'
}

printf '%-8s%-6s%16s%16s%10s\n' log -RPT "100k lines" "200k lines" "per line"
for kind in oracle psql; do
  database=Oracle
  [[ $kind == psql ]] && database=PostgreSQL
  for rpt in "" -RPT; do
    small=$(count "$work/${kind}100000.log" $database $rpt)
    large=$(count "$work/${kind}200000.log" $database $rpt)
    shown=no
    [[ -n $rpt ]] && shown=yes
    printf '%-8s%-6s%16s%16s%10s\n' $kind $shown "$small" "$large" $(((large - small) / 100000))
  done
done
