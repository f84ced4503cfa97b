#!/usr/bin/env python3
"""The run always ends, and shows the import's lines while the import waits. No database takes
part: each script prints what an import prints and starts what outlives it or waits in it.
- live-pause: the script itself waits (30 s at most) until its lines are on the console, in the
  trace file and in the wizard's events, and prints whether they were.
- end-setsid, end-background: a `setsid` child or a background `sleep` holds the output pipe open.
- end-timeout-stop: a tool waits under `timeout` (its own process group); the launcher gets SIGTERM.
Every run must end with the HTML log's footer and a rewritten data.js.
"""

import json
import os
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check import Checks, arguments, prepare_run, read, start_recorder, stop_recorder  # noqa

LAUNCH_TIMEOUT = 60
HEAD = """#!/bin/sh
echo "Importing database objects to PostgreSQL"
echo "Importing Table public.t1 to PostgreSQL"
echo "$PWD>psql -h 127.0.0.1 -U ml -p 5432 -d ml_db --file tables/public.t1.sql"
"""
TAIL = 'echo "Exit code = 0"\necho "Import script movarin_all.sh finished"\n'
LIVE = """seen=no
for n in $(seq 300); do
  grep -q "Launch psql" console.txt && grep -q "Importing Table public.t1" console.txt &&
    grep -q "Launch psql" movarin_imp.log && grep -q "public.t1" events.txt && { seen=yes; break; }
  sleep 0.1
done
echo "shown while running: $seen"
"""
# Each script, and the seconds of the sleeper it leaves behind.
SCRIPTS = {
    "live-pause": (HEAD + LIVE + TAIL, None),
    "end-setsid": (HEAD + "setsid sleep 1001 &\n" + TAIL, "1001"),
    "end-background": (HEAD + "sleep 1002 &\n" + TAIL, "1002"),
    "end-timeout-stop": (HEAD + "echo ready\ntimeout 1003 sleep 1003\n" + TAIL, "1003"),
}


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
    text, seconds = SCRIPTS[name]
    script = prepare_run(folder, args.data_js, text)
    port, recorder = start_recorder(args.subscriber, os.path.join(folder, "events.txt"),
                                    LAUNCH_TIMEOUT + 30)
    console = os.path.join(folder, "console.txt")
    with open(console, "wb") as out:
        launcher = subprocess.Popen(
            [args.launcher, "-D=PostgreSQL", "-RPT", "-EVENTPORT=%d" % port, "-BAT=" + script],
            cwd=folder, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    if name == "end-timeout-stop":
        for _ in range(300):  # the line is shown while the script waits
            if "ready" in read(console) or launcher.poll():
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
    left = sleepers(seconds) if seconds else []
    for pid in left:
        os.kill(pid, signal.SIGKILL)

    c.check(name + ": exit code", code == (143 if name == "end-timeout-stop" else 0), code)
    html = read(os.path.join(folder, "reports", "Import", "import_log.html"))
    c.check(name + ": HTML footer", html.rstrip().endswith("</HTML>"), html[-200:])
    data = read(os.path.join(folder, "reports", "data.js"))
    try:
        general = json.loads(data[data.index("=") + 1:]).get("general_information", {})
    except ValueError:
        general = {}
    c.check(name + ": data.js rewritten", general.get("use_import_log_analyzer") is True,
            data[:120])
    trace = read(os.path.join(folder, "movarin_imp.log"))
    if not seconds:
        c.check(name + ": lines shown while the script waits",
                "shown while running: yes" in read(console), read(console)[-300:])
    else:
        # What still holds the pipe is named in the trace and left alone.
        c.check(name + ": the holder is named", "(sleep)" in trace or "(timeout)" in trace,
                trace[-400:])
        c.check(name + ": the holder is left running", bool(left), seconds)


def main():
    args = arguments("--launcher", "--subscriber", "--work", "--data-js")
    c = Checks("run-ends")
    for name in SCRIPTS:
        run(args, name, c)
    return c.finish(args.work)


if __name__ == "__main__":
    sys.exit(main())
