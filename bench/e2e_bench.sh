#!/usr/bin/env bash
# End-to-end throughput of the real program: MigrationLauncher -D=Oracle -RPT runs an import script
# that replays a generated 1,000,000-line Oracle import log (cat), analyzes it live, writes the
# trace file, the HTML import log and data.js, with its standard output redirected to a file.
#
#   bash bench/e2e_bench.sh [BUILD_DIR=build/release] [LINES=1000000] [CPU_LIST]
#
# CPU_LIST (e.g. 1) pins the launcher and its child with taskset. Reports the wall time, the
# lines per second of wall time without the program's fixed two-second end wait, the CPU time of
# the launcher and its child (getrusage of the children) and its lines per second, and the peak
# resident size of the largest process (the launcher).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
lines=${2:-1000000}
cpus=${3:-}
case $build in /*) ;; *) build=$root/$build ;; esac
launcher=$build/DADuduziradOrevurid/MigrationLauncher
generator=$build/bench/import_log_generator
for tool in "$launcher" "$generator"; do
  [[ -x $tool ]] || { echo "missing $tool: build with -DML_BENCHMARKS=ON first" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ml_e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/reports"
cp "$root/examples/oracle/reports/data.js" "$work/reports/data.js"
"$generator" "$work/import.log" "$lines"
printf '#!/bin/sh\ncat "%s"\n' "$work/import.log" > "$work/import_bench.sh"
chmod +x "$work/import_bench.sh"

pin=()
[[ -n $cpus ]] && pin=(taskset -c "$cpus")

cd "$work"
python3 - "$lines" "${pin[@]}" "$launcher" -D=Oracle -RPT "-BAT=$work/import_bench.sh" <<'PY'
import resource, subprocess, sys, time

lines = int(sys.argv[1])
command = sys.argv[2:]
end_wait = 2.0  # the program's fixed wait before it exits
with open("stdout.txt", "wb") as out:
    start = time.monotonic()
    code = subprocess.call(command, stdout=out, stderr=subprocess.STDOUT)
    wall = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
cpu = usage.ru_utime + usage.ru_stime
print(f"exit code            {code} (1: errors were found in the log)")
print(f"lines                {lines:,}")
print(f"wall time            {wall:.2f} s (with the {end_wait:.0f} s end wait)")
print(f"lines/s (wall)       {lines / (wall - end_wait):,.0f}  (end wait excluded)")
print(f"cpu time             {cpu:.2f} s (user {usage.ru_utime:.2f}, sys {usage.ru_stime:.2f})")
print(f"lines/s (cpu)        {lines / cpu:,.0f}")
print(f"peak RSS             {usage.ru_maxrss / 1024:.1f} MB")
PY
for file in stdout.txt movarin_imp.log reports/Import/import_log.html reports/data.js; do
  [[ -e $file ]] && printf '%-20s %s bytes\n' "$file" "$(stat -c %s "$file")"
done
