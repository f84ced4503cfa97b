#!/usr/bin/env python3
"""Pauses in the output change nothing the run reports.

    replay.py --launcher BIN --subscriber BIN --work DIR --data-js FILE [--generator BIN]

Replays the captured client output of every family (captured/*.txt; a log without the line that
names its target gets the PostgreSQL one first) and, with --generator, a generated Oracle log
(4-line ORA- and SQL*Loader errors) through the real program three times: all at once, with a
pause after every line, and with pauses after random lines. The console, the trace text, the
HTML log's lines (time stamps, elapsed times and the run folder left out), data.js and the wizard's events must
be the same in the three runs. Each check prints "PASS ..." or "FAIL ..."; the last line, also
written to WORK/check.txt, is "checks passed=N failed=M".
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check import Checks, start_recorder, stop_recorder  # noqa: E402
from ends import read  # noqa: E402

TARGET = re.compile(r"^Importing database objects to (.+)$")
# The import script: prints the log, pausing (long enough for the program to find the pipe
# empty) after the lines whose numbers are listed.
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


def logs(args):
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "captured")
    found = []
    for name in sorted(os.listdir(folder)):
        if name.endswith(".txt"):
            with open(os.path.join(folder, name), "rb") as f:
                found.append((name, f.read()))
    if args.generator:
        path = os.path.join(args.work, "oracle.log")
        subprocess.run([args.generator, path, "400"], check=True, stdout=subprocess.DEVNULL)
        with open(path, "rb") as f:
            found.append(("generated-oracle", f.read()))
    return found


def run(args, folder, log, pauses):
    """Runs the program on `log` pausing after `pauses`; returns what it reported."""
    os.makedirs(os.path.join(folder, "reports"))
    shutil.copy(args.data_js, os.path.join(folder, "reports", "data.js"))
    with open(os.path.join(folder, "import.log"), "wb") as f:
        f.write(log)
    script = os.path.join(folder, "movarin_all.sh")
    with open(script, "w") as f:
        f.write(REPLAY % (sorted(pauses), os.path.join(folder, "import.log")))
    os.chmod(script, 0o755)
    first = log.decode("utf-8", "replace").splitlines()[0]
    target = TARGET.match(first).group(1) if TARGET.match(first) else "PostgreSQL"
    port, recorder = start_recorder(args.subscriber, os.path.join(folder, "events.txt"), 120)
    with open(os.path.join(folder, "console.txt"), "wb") as console:
        subprocess.run([args.launcher, "-D=" + target, "-RPT", "-EVENTPORT=%d" % port,
                        "-BAT=" + script], cwd=folder, stdout=console, stderr=subprocess.STDOUT,
                       stdin=subprocess.DEVNULL, timeout=120)
    stop_recorder(recorder)
    report = {name: ELAPSED.sub("", read(os.path.join(folder, path)).replace(folder, "{dir}"))
              for name, path in (
        ("console", "console.txt"), ("trace", "movarin_imp.log"), ("events", "events.txt"),
        ("HTML log", "reports/Import/import_log.html"))}
    data = read(os.path.join(folder, "reports", "data.js")).replace(folder, "{dir}")
    report["data.js"] = re.sub(r'"time_import":\d+', "", data)
    return report


def main():
    parser = argparse.ArgumentParser()
    for option in ("--launcher", "--subscriber", "--work", "--data-js"):
        parser.add_argument(option, required=True)
    parser.add_argument("--generator")
    args = parser.parse_args()
    c = Checks("replay")
    chance = random.Random(21)
    for name, log in logs(args):
        count = log.count(b"\n")
        plain = run(args, os.path.join(args.work, name, "plain"), log, [])
        for mode, pauses in (("every line", range(count)),
                             ("random lines", [n for n in range(count) if chance.random() < 0.2])):
            paused = run(args, os.path.join(args.work, name, mode.replace(" ", "-")), log, pauses)
            for what in plain:
                c.check("%s, pauses after %s: %s" % (name, mode, what), paused[what] == plain[what],
                        "differs from the run without pauses")
    return c.finish(args.work)


if __name__ == "__main__":
    sys.exit(main())
