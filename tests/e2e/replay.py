#!/usr/bin/env python3
"""Pauses in the output change nothing the run reports.

Replays the captured client output of every family (captured/*.txt; a log without the line that
names its target is taken as PostgreSQL's) and, with --generator, a generated Oracle log (4-line
ORA- and SQL*Loader errors) through the real program three times: all at once, with a pause after
every line, and after random lines. The console, the trace, the events, the HTML log (time stamps,
elapsed times and the run folder left out) and data.js must be the same in the three runs.
"""

import concurrent.futures
import os
import random
import re
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check import Checks, arguments, prepare_run, read, start_recorder, stop_recorder  # noqa

TARGET = re.compile(r"^Importing database objects to (.+)$")
# Prints the log, pausing (long enough for the program to find the pipe empty) after the lines
# whose numbers are listed.
REPLAY = """#!/usr/bin/env python3
import sys, time
pauses = set(%r)
with open(%r, "rb") as log:
    for number, line in enumerate(log):
        sys.stdout.buffer.write(line)
        if number in pauses:
            sys.stdout.flush()
            time.sleep(0.03)
"""
ELAPSED = re.compile(r"Action time> .*|Timestamp: .*|<tmstp>.*?</tmstp>|^\w{3} \d\d [\d:]{8} \d{4}",
                     re.M)
REPORTS = {"console": "console.txt", "trace": "movarin_imp.log", "events": "events.txt",
           "HTML log": "reports/Import/import_log.html"}


def logs(args):
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "captured")
    found = [(name, open(os.path.join(folder, name), "rb").read())
             for name in sorted(os.listdir(folder)) if name.endswith(".txt")]
    if args.generator:
        path = os.path.join(args.work, "oracle.log")
        subprocess.run([args.generator, path, "400"], check=True, stdout=subprocess.DEVNULL)
        found.append(("generated-oracle", open(path, "rb").read()))
    return found


def run(args, folder, log, pauses):
    """Runs the program on `log` pausing after `pauses`; returns what it reported."""
    os.makedirs(folder)
    with open(os.path.join(folder, "import.log"), "wb") as f:
        f.write(log)
    script = prepare_run(folder, args.data_js,
                         REPLAY % (sorted(pauses), os.path.join(folder, "import.log")))
    target = TARGET.match(log.decode("utf-8", "replace").splitlines()[0])
    port, recorder = start_recorder(args.subscriber, os.path.join(folder, "events.txt"), 120)
    with open(os.path.join(folder, "console.txt"), "wb") as console:
        subprocess.run([args.launcher, "-D=" + (target.group(1) if target else "PostgreSQL"),
                        "-RPT", "-EVENTPORT=%d" % port, "-BAT=" + script], cwd=folder,
                       stdout=console, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                       timeout=120)
    stop_recorder(recorder)
    report = {name: ELAPSED.sub("", read(os.path.join(folder, path)).replace(folder, "{dir}"))
              for name, path in REPORTS.items()}
    data = read(os.path.join(folder, "reports", "data.js")).replace(folder, "{dir}")
    report["data.js"] = re.sub(r'"time_import":\d+', "", data)
    return report


def replay(args, name, log, modes):
    """The runs of one log: without pauses, then with each of `modes` (mode, pauses)."""
    plain = run(args, os.path.join(args.work, name, "plain"), log, [])
    return name, plain, [(mode, run(args, os.path.join(args.work, name, mode.replace(" ", "-")),
                                    log, pauses)) for mode, pauses in modes]


def main():
    args = arguments("--launcher", "--subscriber", "--work", "--data-js", optional=["--generator"])
    c = Checks("replay")
    chance = random.Random(21)
    jobs = []
    for name, log in logs(args):
        count = log.count(b"\n")
        jobs.append((name, log, [("every line", range(count)),
                                 ("random lines",
                                  [n for n in range(count) if chance.random() < 0.2])]))
    # The runs mostly wait (on the pauses and the program's end wait): four logs at a time.
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        results = list(pool.map(lambda job: replay(args, *job), jobs))
    for name, plain, paused_runs in results:
        for mode, paused in paused_runs:
            for what in plain:
                c.check("%s, pauses after %s: %s" % (name, mode, what), paused[what] == plain[what],
                        "differs from the run without pauses")
    return c.finish(args.work)


if __name__ == "__main__":
    sys.exit(main())
