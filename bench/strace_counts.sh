#!/usr/bin/env bash
# System calls of the program itself (not its script) per 1,000 lines of output, by strace -c:
# the generated Oracle log and replayed real psql output (as bench/e2e_bench.sh makes them),
# without and with -RPT.
#
#   bash bench/strace_counts.sh [BUILD_DIR=build/release] [LINES=100000]
#
# LAUNCHER=path counts another build of the program (for before/after figures). Prints per case
# the write, read and poll calls and all calls per 1,000 lines of the log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
lines=${2:-100000}
case $build in /*) ;; *) build=$root/$build ;; esac
launcher=${LAUNCHER:-$build/DADuduziradOrevurid/MigrationLauncher}
generator=$build/bench/import_log_generator
command -v strace >/dev/null || { echo "strace is not installed" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ml_strace.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$generator" "$work/oracle.log" "$lines"
"$generator" --replay "$root/tests/e2e/captured/postgresql-failures.txt" "$work/psql.log" "$lines"
printf '%-7s%-6s%10s%10s%10s%10s%12s\n' log -RPT lines write read poll "all calls"
for kind in oracle psql; do
  database=Oracle
  [ "$kind" = psql ] && database=PostgreSQL
  count=$(grep -c . "$work/$kind.log")
  for rpt in "" -RPT; do
    dir=$work/$kind$rpt
    mkdir -p "$dir/reports"
    cp "$root/examples/oracle/reports/data.js" "$dir/reports/data.js"
    printf '#!/bin/sh\ncat "%s"\n' "$work/$kind.log" >"$dir/import_bench.sh"
    chmod +x "$dir/import_bench.sh"
    (cd "$dir" && strace -c -o "$dir/strace.txt" "$launcher" -D=$database $rpt \
      -BAT="$dir/import_bench.sh" >"$dir/stdout.txt" 2>&1) || true
    awk -v lines="$count" -v kind="$kind" -v rpt="${rpt:-no}" '
      $NF == "write" { w = $4 } $NF == "read" { r = $4 } $NF == "poll" { p = $4 }
      $NF == "total" { t = $4 }
      END { printf "%-7s%-6s%10d%10.1f%10.1f%10.1f%12.1f\n", kind, rpt, lines,
              w * 1000 / lines, r * 1000 / lines, p * 1000 / lines, t * 1000 / lines }' \
      "$dir/strace.txt"
  done
done
