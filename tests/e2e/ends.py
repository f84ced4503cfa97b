#!/usr/bin/env python3
"""The run always ends, and shows the import's lines while the import waits.

    ends.py --launcher BIN --subscriber BIN --work DIR --data-js FILE

No database takes part: each import script prints what an import prints and starts the processes
that outlive it or wait in it.
- live-pause: the object and launch lines must be on the console, in the trace file and in the
  wizard's events while the script still runs (the script itself looks, with a generous bound,
  and prints what it saw).
- end-setsid, end-background: the script ends normally, leaving a `setsid` child or a background
  `sleep` that holds the output pipe open.
- end-timeout-stop: the script waits for a tool under `timeout` (its own process group, so a stop
  does not reach it); the launcher gets SIGTERM.
Every run must end (a guard of LAUNCH_TIMEOUT seconds only catches a hang), with the HTML log's
footer and a rewritten data.js. Each check prints "PASS ..." or "FAIL ..."; the last line, also
written to WORK/check.txt, is "checks passed=N failed=M".
"""

import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check import Checks, start_recorder, stop_recorder  # noqa: E402

LAUNCH_TIMEOUT = 60
HEAD = """#!/bin/sh
echo "Importing database objects to PostgreSQL"
echo "Importing Table public.t1 to PostgreSQL"
echo "$PWD>psql -h 127.0.0.1 -U ml -p 5432 -d ml_db --file tables/public.t1.sql"
"""
TAIL = 'echo "Exit code = 0"\necho "Import script movarin_all.sh finished"\n'
# The script waits (at most 30 s) until its lines are shown everywhere, then says what it saw.
LIVE = """n=0
seen=no
while [ $n -lt 300 ]; do
  if grep -q "Launch psql" console.txt && grep -q "Importing Table public.t1" console.txt &&
     grep -q "Launch psql" movarin_imp.log && grep -q "public.t1" events.txt; then
    seen=yes
    break
  fi
  sleep 0.1
  n=$((n + 1))
done
echo "shown while running: $seen"
"""
SCRIPTS = {
    "live-pause": HEAD + LIVE + TAIL,
    "end-setsid": HEAD + "setsid sleep 1001 &\n" + TAIL,
    "end-background": HEAD + "sleep 1002 &\n" + TAIL,
    "end-timeout-stop": HEAD + "echo ready\ntimeout 1003 sleep 1003\n" + TAIL,
}
LEFT_BEHIND = {"end-setsid": "1001", "end-background": "1002", "end-timeout-stop": "1003"}


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")
    except OSError:
        return ""


def sleepers(seconds):
    """Pids of this suite's `sleep SECONDS` and `timeout SECONDS sleep SECONDS` processes."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        words = read("/proc/%s/cmdline" % pid).split("\0")
        if seconds in words and words[0] in ("sleep", "timeout"):
            found.append(int(pid))
    return found


def run(args, name, c):
    folder = os.path.join(args.work, name)
    os.makedirs(os.path.join(folder, "reports"))
    shutil.copy(args.data_js, os.path.join(folder, "reports", "data.js"))
    script = os.path.join(folder, "movarin_all.sh")
    with open(script, "w") as f:
        f.write(SCRIPTS[name])
    os.chmod(script, 0o755)
    port, recorder = start_recorder(args.subscriber, os.path.join(folder, "events.txt"),
                                    LAUNCH_TIMEOUT + 30)
    with open(os.path.join(folder, "console.txt"), "wb") as console:
        launcher = subprocess.Popen(
            [args.launcher, "-D=PostgreSQL", "-RPT", "-EVENTPORT=%d" % port, "-BAT=" + script],
            cwd=folder, stdout=console, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        if name == "end-timeout-stop":
            for _ in range(300):  # the line is shown while the script waits
                if "ready" in read(os.path.join(folder, "console.txt")) or launcher.poll():
                    break
                time.sleep(0.1)
            launcher.send_signal(signal.SIGTERM)
        try:
            code = launcher.wait(timeout=LAUNCH_TIMEOUT)
        except subprocess.TimeoutExpired:
            launcher.kill()
            code = launcher.wait()
            c.check(name + ": the run ends", False, "still running after %d s" % LAUNCH_TIMEOUT)
    stop_recorder(recorder, 0)
    left = sleepers(LEFT_BEHIND.get(name, "-"))
    for pid in left:
        os.kill(pid, signal.SIGKILL)

    c.check(name + ": exit code", code == (143 if name == "end-timeout-stop" else 0), code)
    html = read(os.path.join(folder, "reports", "Import", "import_log.html"))
    c.check(name + ": HTML footer", html.rstrip().endswith("</HTML>"), html[-200:])
    data = read(os.path.join(folder, "reports", "data.js"))
    try:
        doc = json.loads(data[data.index("=") + 1:])
        general = doc.get("general_information", {})
        c.check(name + ": data.js rewritten", general.get("use_import_log_analyzer") is True,
                data[:120])
    except ValueError as error:
        c.check(name + ": data.js rewritten", False, error)
    trace = read(os.path.join(folder, "movarin_imp.log"))
    if name == "live-pause":
        c.check(name + ": lines shown while the script waits",
                "shown while running: yes" in read(os.path.join(folder, "console.txt")),
                read(os.path.join(folder, "console.txt"))[-300:])
    else:
        # What still holds the pipe is named in the trace and left alone.
        c.check(name + ": the holder is named", "(sleep)" in trace or "(timeout)" in trace,
                trace[-400:])
        c.check(name + ": the holder is left running", bool(left), LEFT_BEHIND[name])


def main():
    parser = argparse.ArgumentParser()
    for option in ("--launcher", "--subscriber", "--work", "--data-js"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    c = Checks("run-ends")
    for name in SCRIPTS:
        run(args, name, c)
    return c.finish(args.work)


if __name__ == "__main__":
    sys.exit(main())
