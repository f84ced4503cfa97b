#!/usr/bin/env bash
# Memory of a long run, and whether speed holds over it. Peak resident sizes by
# /usr/bin/time -v (Debian package `time`, see scripts/deps.sh):
# - 5,000,000 lines of Oracle client output over 1,000 objects, -RPT;
# - one line of 100,000,000 bytes (random base64 text) and then an error line, -RPT (the error
#   must still fail its object: exit code 1 and the ORA- line on the console);
# - 100,000 and 1,000,000 objects (two lines each), -RPT: peak above a run on an empty log, per
#   object;
# - 1,000,000 and 20,000,000 lines over 1,000 objects, -RPT (the same client output, so that
#   only the line count differs; the generated import log names a new object every ten lines):
#   lines per second of wall time (the program's two-second end wait excluded) and of CPU time
#   (user + system, the script and cat included), and the ratio of the long run to the short.
#
#   bash bench/memory_bench.sh [BUILD_DIR=build/release] [CPU_LIST] [LONG_LINES=20000000]
#
# CPU_LIST (e.g. 1) pins every process with taskset. LAUNCHER=path runs another build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
cpus=${2:-}
long_lines=${3:-20000000}
case $build in /*) ;; *) build=$root/$build ;; esac
launcher=${LAUNCHER:-$build/DADuduziradOrevurid/MigrationLauncher}
generator=$build/bench/import_log_generator
for tool in "$launcher" "$generator" /usr/bin/time; do
  [[ -x $tool ]] || { echo "missing $tool (build with -DML_BENCHMARKS=ON; apt-get install time)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ml_memory.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$generator" --objects 1000 "$work/objects_1000.log" 5000000
"$generator" --objects 100000 "$work/objects_100000.log" 200000
"$generator" --objects 1000000 "$work/objects_1000000.log" 2000000
"$generator" --objects 1000 "$work/short.log" 1000000
"$generator" --objects 1000 "$work/long.log" "$long_lines"
{
  printf 'Import started\r\nImporting database objects to Oracle\r\nImporting Table HR.T1 to Oracle\r\n'
  head -c 75000000 /dev/urandom | base64 -w0
  printf '\r\nORA-00942: table or view does not exist\r\nImport script import_bench.sh finished\r\n'
} >"$work/huge_line.log"
: >"$work/empty.log"

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); cpus: ${cpus:-any}"
python3 - "$work" "$launcher" "$cpus" "$root" <<'PY'
import os, re, subprocess, sys, time

work, launcher, cpus, root = sys.argv[1:5]
pin = ["taskset", "-c", cpus] if cpus else []
end_wait = 2.0  # the program's fixed wait before it exits

def run(name):
    """Runs the program with -RPT on LOG name; returns (exit code, peak KB, wall s, cpu s, stdout)."""
    folder = os.path.join(work, "run_" + name)
    os.makedirs(os.path.join(folder, "reports"), exist_ok=True)
    src = os.path.join(root, "examples/oracle/reports/data.js")
    with open(src, "rb") as f, open(os.path.join(folder, "reports", "data.js"), "wb") as out:
        out.write(f.read())
    script = os.path.join(folder, "import_bench.sh")
    with open(script, "w") as f:
        f.write('#!/bin/sh\ncat "%s"\n' % os.path.join(work, name + ".log"))
    os.chmod(script, 0o755)
    timing = os.path.join(folder, "time.txt")
    command = pin + ["/usr/bin/time", "-v", "-o", timing, launcher, "-RPT", "-D=Oracle",
                     f"-BAT={script}"]
    stdout_path = os.path.join(folder, "stdout.txt")
    with open(stdout_path, "wb") as out:
        start = time.monotonic()
        code = subprocess.call(command, cwd=folder, stdout=out, stderr=subprocess.STDOUT)
        wall = time.monotonic() - start
    report = open(timing).read()
    field = lambda label: float(re.search(re.escape(label) + r": ([\d.]+)", report).group(1))
    peak = field("Maximum resident set size (kbytes)")
    cpu = field("User time (seconds)") + field("System time (seconds)")
    return code, peak, wall, cpu, stdout_path

def lines_of(name):
    with open(os.path.join(work, name + ".log"), "rb") as f:
        return sum(1 for line in f if line.strip())

base = run("empty")[1]
print(f"empty log: peak {base / 1024:.1f} MB")
code, peak, *_ = run("objects_1000")
print(f"5,000,000 lines over 1,000 objects: peak {peak / 1024:.1f} MB (exit {code})")
code, peak, _, _, stdout_path = run("huge_line")
failed = b"ORA-00942" in open(stdout_path, "rb").read()
print(f"one 100,000,000-byte line, then an error line: peak {peak / 1024:.1f} MB "
      f"(exit {code}, error shown: {'yes' if failed else 'NO'})")
for objects in (100000, 1000000):
    code, peak, *_ = run(f"objects_{objects}")
    print(f"{objects:,} objects: peak {peak / 1024:.1f} MB, "
          f"{(peak - base) * 1024 / objects:.0f} bytes per object above the empty log (exit {code})")
rates = {}
for name in ("short", "long"):
    lines = lines_of(name)
    code, peak, wall, cpu, _ = run(name)
    rates[name] = (lines / (wall - end_wait), lines / cpu)
    print(f"{lines:,} lines: {rates[name][0]:,.0f} lines/s wall, {rates[name][1]:,.0f} lines/s CPU, "
          f"peak {peak / 1024:.1f} MB (exit {code})")
print(f"long run against short run: {rates['long'][0] / rates['short'][0]:.2f} (wall), "
      f"{rates['long'][1] / rates['short'][1]:.2f} (CPU)")
PY
