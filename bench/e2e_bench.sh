#!/usr/bin/env bash
# End-to-end throughput of the real program against the I/O floor, on the same logs:
# - oracle: the generated 1,000,000-line Oracle import log (import_log_generator), -D=Oracle;
# - psql:   real psql 15 output (tests/e2e/captured/postgresql-failures.txt) replayed to the same
#           line count, -D=PostgreSQL.
# An import script cats the log; MigrationLauncher runs it as its child, analyzes the output live
# and writes the console (standard output, redirected to a file), the trace file and, with -RPT,
# the HTML import log and data.js. The floor is `cat LOG | floor_io`: the same pipe, read in the
# same blocks, and only the writes the program must do per line (two; three with -RPT).
#
#   bash bench/e2e_bench.sh [BUILD_DIR=build/release] [LINES=1000000] [CPU_LIST] [REPEAT=3]
#
# CPU_LIST (e.g. 1) pins every process (launcher, script, cat, floor) with taskset. Each case
# runs floor and program alternately REPEAT times and prints the medians: floor and program
# lines/s of wall time (the program's fixed two-second end wait excluded) and their ratio; the
# same of CPU time (user + system of the process and its children: steadier than wall time when
# other work shares the machine); the program's peak resident size, and that size above the
# peak of a run on an empty log (the program before any output) as a multiple of the log's
# bytes. LAUNCHER=path runs another build of the program (for before/after figures).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
lines=${2:-1000000}
cpus=${3:-}
repeat=${4:-3}
case $build in /*) ;; *) build=$root/$build ;; esac
launcher=${LAUNCHER:-$build/DADuduziradOrevurid/MigrationLauncher}
generator=$build/bench/import_log_generator
floor=$build/bench/floor_io
for tool in "$launcher" "$generator" "$floor"; do
  [[ -x $tool ]] || { echo "missing $tool: build with -DML_BENCHMARKS=ON first" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ml_e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$generator" "$work/oracle.log" "$lines"
"$generator" --replay "$root/tests/e2e/captured/postgresql-failures.txt" "$work/psql.log" "$lines"
for kind in oracle psql empty; do
  mkdir -p "$work/$kind/reports"
  cp "$root/examples/oracle/reports/data.js" "$work/$kind/reports/data.js"
  touch "$work/$kind.log"
  printf '#!/bin/sh\ncat "%s"\n' "$work/$kind.log" >"$work/$kind/import_bench.sh"
  chmod +x "$work/$kind/import_bench.sh"
done

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); cpus: ${cpus:-any}; repeat: $repeat"
python3 - "$work" "$launcher" "$floor" "$cpus" "$repeat" <<'PY'
import os, statistics, subprocess, sys, time

work, launcher, floor, cpus, repeat = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
pin = ["taskset", "-c", cpus] if cpus else []
end_wait = 2.0  # the program's fixed wait before it exits
databases = {"oracle": "Oracle", "psql": "PostgreSQL"}

def run(command, cwd, stdout_path):
    """Runs command, returns (wall seconds, rusage of the process and its waited-for children)."""
    with open(stdout_path, "wb") as out:
        start = time.monotonic()
        process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - start
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        sys.exit(f"{command[len(pin)]} exited with {code}")
    return wall, usage

def base_peak(database, rpt):
    folder = os.path.join(work, "empty")
    command = pin + [launcher, f"-D={database}", f"-BAT={folder}/import_bench.sh"]
    if rpt:
        command.insert(len(pin) + 1, "-RPT")
    return run(command, folder, os.path.join(folder, "stdout.txt"))[1].ru_maxrss / 1024

print(f"{'log':7}{'-RPT':6}{'lines':>10}{'floor/s':>11}{'program/s':>11}{'ratio':>7}"
      f"{'floor/cpu s':>13}{'prog/cpu s':>12}{'ratio':>7}{'peak MB':>9}{'x log':>7}")
for kind, database in databases.items():
    log = os.path.join(work, f"{kind}.log")
    folder = os.path.join(work, kind)
    with open(log, "rb") as f:
        lines = sum(1 for line in f if line.strip())
    log_mb = os.path.getsize(log) / (1024 * 1024)
    for rpt in (False, True):
        floors, programs, floor_cpu, program_cpu, peak = [], [], [], [], []
        for _ in range(repeat):
            outputs = [os.path.join(folder, "floor_trace.log")]
            if rpt:
                outputs.append(os.path.join(folder, "floor_log.html"))
            command = pin + ["sh", "-c", 'cat "$0" | "$1" "$2" ${3:+"$3"}', log, floor] + outputs
            wall, usage = run(command, folder, os.path.join(folder, "floor_stdout.txt"))
            floors.append(lines / wall)
            floor_cpu.append(lines / (usage.ru_utime + usage.ru_stime))

            command = pin + [launcher, f"-D={database}", f"-BAT={folder}/import_bench.sh"]
            if rpt:
                command.insert(len(pin) + 1, "-RPT")
            wall, usage = run(command, folder, os.path.join(folder, "stdout.txt"))
            programs.append(lines / (wall - end_wait))
            program_cpu.append(lines / (usage.ru_utime + usage.ru_stime))
            peak.append(usage.ru_maxrss / 1024)
        floor_rate, program_rate = statistics.median(floors), statistics.median(programs)
        floor_cpu_rate = statistics.median(floor_cpu)
        program_cpu_rate = statistics.median(program_cpu)
        print(f"{kind:7}{'yes' if rpt else 'no':6}{lines:>10,}{floor_rate:>11,.0f}"
              f"{program_rate:>11,.0f}{program_rate / floor_rate:>7.2f}"
              f"{floor_cpu_rate:>13,.0f}{program_cpu_rate:>12,.0f}"
              f"{program_cpu_rate / floor_cpu_rate:>7.2f}{max(peak):>9.1f}"
              f"{(max(peak) - base_peak(database, rpt)) / log_mb:>7.2f}", flush=True)
PY
