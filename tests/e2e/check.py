#!/usr/bin/env python3
"""Runs MigrationLauncher on one prepared import scenario and checks what it reported.

    check.py --scenario NAME --dir RUN_DIR --launcher BIN --subscriber BIN [--port N]
             [--closed-port N] [--chromium BIN]

RUN_DIR holds the scenario's import scripts (movarin_all.sh at the top) and reports/data.js. The
wizard event recorder is started first, then MigrationLauncher runs the import against the live
servers. Each check prints "PASS name" or "FAIL name: detail"; the last line, also written to
RUN_DIR/check.txt, is "checks passed=N failed=M". The exit code is 0 only when every check passed.
"""

import argparse
import json
import os
import re
import signal
import socket
import subprocess
import sys
import time
from html import unescape

sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import report_page  # noqa: E402
from scenarios import SCENARIOS, TYPE_CODES, FinishScript  # noqa: E402

LAUNCH_TIMEOUT = 180
# Targets whose report takes tips from a table.
TIP_TARGETS = ("MySQL", "Google Cloud SQL for MySQL", "Amazon Aurora (compatibility with MySQL)",
               "MariaDB", "PostgreSQL on-premise or cloud (GCP, AWS, Azure etc.)",
               "AmazonAuroraPostgreSQL", "GoogleCloudSQLforPostgreSQL", "AlloyDB", "Postgres Pro")


class Checks:
    def __init__(self, scenario):
        self.prefix, self.passed, self.failed = scenario, 0, 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print("PASS %s: %s" % (self.prefix, name))
        else:
            self.failed += 1
            print("FAIL %s: %s: %s" % (self.prefix, name, detail))
        return ok

    def equal(self, name, actual, expected):
        return self.check(name, actual == expected, difference(expected, actual))

    def finish(self, folder, name="check.txt"):
        """Prints and writes the result line; the exit code of the checker."""
        result = "checks passed=%d failed=%d" % (self.passed, self.failed)
        print(result)
        with open(os.path.join(folder, name), "w") as f:
            f.write(result + "\n")
        return 0 if self.failed == 0 else 1


def difference(expected, actual):
    """Names the first differing item of two lists, or both values."""
    if isinstance(expected, list) and isinstance(actual, list):
        for n, (want, got) in enumerate(zip(expected, actual)):
            if want != got:
                return "item %d of %d: expected %r, got %r" % (n, len(expected), want, got)
        if len(expected) != len(actual):
            return "expected %d items, got %d" % (len(expected), len(actual))
    return "expected %r, got %r" % (expected, actual)


def fill(text, values):
    for key, value in values.items():
        text = text.replace("{%s}" % key, str(value))
    return text


def flat(scenario):
    """(object, entry) for every expected log entry, in output order."""
    return [(o, e) for o in scenario.objects() for e in o.errors()]


def start_recorder(subscriber, event_file, seconds):
    """Starts the wizard event recorder on a free port; returns (port, recorder)."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    recorder = subprocess.Popen([subscriber, str(port), event_file, str(seconds)])
    time.sleep(0.3)  # let the recorder's connect start; ZeroMQ retries until the bind
    return port, recorder


def stop_recorder(recorder, pause=0.5):
    """Stops the recorder after `pause` seconds, in which the last events are on their way."""
    time.sleep(pause)
    recorder.send_signal(signal.SIGTERM)
    try:
        recorder.wait(timeout=10)
    except subprocess.TimeoutExpired:
        recorder.kill()
        recorder.wait()


def run_import(args, scenario, run_dir, event_file):
    """Starts the recorder, runs MigrationLauncher, stops the recorder. Returns (code, stdout)."""
    event_port, recorder = start_recorder(args.subscriber, event_file, LAUNCH_TIMEOUT + 30)
    command = [args.launcher, "-D=" + scenario.target, "-RPT", "-EVENTPORT=%d" % event_port,
               "-BAT=" + os.path.join(run_dir, "movarin_all.sh"),
               "-JUNIT=" + os.path.join(run_dir, "junit.xml")]
    # Rule files of the machine's user stay out of the run (junit_check.py reads junit.xml).
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(run_dir, "config"))
    try:
        if scenario.stop_marker:
            code, output = run_and_stop(command, run_dir, env, scenario.stop_marker)
        else:
            done = subprocess.run(command, cwd=run_dir, env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                  timeout=LAUNCH_TIMEOUT)
            code, output = done.returncode, done.stdout
    except subprocess.TimeoutExpired as expired:
        code, output = None, expired.stdout or b""
    stop_recorder(recorder)
    with open(os.path.join(run_dir, "launcher.out"), "wb") as f:
        f.write(output)
    return code, output.decode("utf-8", "replace")


def run_and_stop(command, run_dir, env, marker):
    """Runs the launcher and sends it SIGTERM once the import script has created `marker`."""
    marker = os.path.join(run_dir, marker)
    with subprocess.Popen(command, cwd=run_dir, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          stdin=subprocess.DEVNULL) as launcher:
        deadline = time.monotonic() + LAUNCH_TIMEOUT
        while not os.path.exists(marker) and launcher.poll() is None:
            if time.monotonic() > deadline:
                break
            time.sleep(0.1)
        time.sleep(0.5)  # the client of the slow step has started
        launcher.send_signal(signal.SIGTERM)
        try:
            output, _ = launcher.communicate(timeout=LAUNCH_TIMEOUT)
        except subprocess.TimeoutExpired:
            launcher.kill()
            output, _ = launcher.communicate()
            raise subprocess.TimeoutExpired(command, LAUNCH_TIMEOUT, output)
        return launcher.returncode, output


HTML_ENTRY = re.compile(
    r'<(error|warning) id="(\d+)">\[(?:ERR|WRN)\] (?:(.*?)> )?</exec>(.*?)</\1>\r\n', re.S)


def expected_summary(scenario):
    objects = scenario.objects()

    def counts(selected):
        ok = sum(1 for o in selected if o.status() != "Failed")
        return ok, len(selected) - ok, sum(1 for o in selected if o.status() == "Warning")

    lines = ["-" * 50, "Import finished:"]
    for word in TYPE_CODES:
        selected = [o for o in objects if o.type == word]
        if selected:
            ok, failed, warned = counts(selected)
            lines.append("Total: %d %s(s), %d Ok, %d Error(s), %d Warning(s)"
                         % (ok + failed, word, ok, failed, warned))
    if objects:
        ok, failed, _ = counts(objects)
        lines.append("Total imported objects: %d, %d succeeded, %d failed." % (ok + failed, ok,
                                                                              failed))
    return lines, counts(objects)


def check_summary(c, scenario, lines):
    want, _ = expected_summary(scenario)
    at = [i for i in range(len(lines)) if lines[i:i + len(want)] == want]
    c.check("end-of-import summary", bool(at),
            "expected the lines %r in the output:\n%s" % (want, "\n".join(lines[-25:])))
    # A script that stopped before its end is named right after the summary, and only then.
    after = [l for l in lines[at[0] + len(want):] if l.strip()][:1] if at else []
    stopped = [l for l in lines if re.match(r"Import script .* stopped before its end: ", l)]
    if scenario.notice is None:
        c.check("no stopped-script notice", not stopped, repr(stopped))
    else:
        c.equal("stopped-script notice after the summary", (after, stopped),
                ([scenario.notice], [scenario.notice]))


def source_title(scenario, o, entry):
    """The script, and the client with its file once the client's launch was recognised."""
    tool = scenario.tool if entry.tool is None else entry.tool
    script = entry.script or o.script
    if tool and not entry.file:  # a client with no file (psql -c)
        return "%s::%s" % (script, tool)
    return "%s::%s(%s)" % (script, tool, entry.file) if tool else script


def check_html(c, scenario, run_dir, values):
    """Matches the log's error and warning lines one to one with the expected entries."""
    path = os.path.join(run_dir, "reports", "Import", "import_log.html")
    if not c.check("import_log.html written", os.path.exists(path), path):
        return None, []
    with open(path, encoding="utf-8", errors="replace", newline="") as f:
        html = f.read()
    # The log writes the import's texts escaped (they are text, never markup).
    entries = [(m.group(1), int(m.group(2)), unescape(m.group(3) or ""), unescape(m.group(4)))
               for m in HTML_ENTRY.finditer(html)]
    expected = flat(scenario)
    c.equal("import_log.html error and warning lines", [(k, s, t) for k, _, s, t in entries],
            [(e.kind, source_title(scenario, o, e), fill(e.html, values)) for o, e in expected])
    ids = [i for _, i, _, _ in entries]
    if ids:
        c.check("error ids follow the output order", ids == sorted(set(ids)), repr(ids))
    c.check("import_log.html ends with its footer",
            html.rstrip().endswith("</center></font></div></body></HTML>"), html[-200:])
    return html, ids if len(entries) == len(expected) else []


def check_ids(c, scenario, lines, ids):
    """psql's exit code line follows its connection error: its id is one or two lines later.
    The console shows every error with its id."""
    pairs = flat(scenario)
    for n, (_, entry) in enumerate(pairs):
        if n and entry.err_txt == "2" and entry.html.startswith("Unhandled exception"):
            previous = pairs[n - 1][1].html
            gap = 2 if previous.startswith("Connection refused") else 1
            c.equal("id of the exit code after '%s'" % previous[:40], ids[n] - ids[n - 1], gap)
    missing = [i for (o, e), i in zip(pairs, ids) if e.kind == "error" and not any(
        l.startswith("Error(id=%d): %s> " % (i, source_title(scenario, o, e))) for l in lines)]
    c.check("console shows every error with its id", not missing, "missing ids %r" % missing)


def check_data_js(c, scenario, run_dir, values, ids):
    with open(os.path.join(run_dir, "reports", "data.js"), encoding="utf-8", newline="") as f:
        text = f.read()
    doc = json.loads(text[len("const json ="):]) if text.startswith("const json =") else None
    if not c.check("data.js rewritten as 'const json =' and compact JSON",
                   doc is not None and text.startswith("const json ={") and "\n" not in text,
                   text[:200]):
        return None
    general = doc.get("general_information", {})
    c.check("general_information after the run",
            general.get("import_report") is True and general.get("use_import_log_analyzer") is True
            and isinstance(general.get("time_import"), int) and general["time_import"] >= 1,
            repr(general))
    id_of = {id(e): ids[n] if n < len(ids) else None for n, (_, e) in enumerate(flat(scenario))}
    by_name = {entry.get("object_name"): entry for entry in doc.get("objects", [])}
    for o in scenario.objects():
        entry = by_name.get(o.name, {})
        want = {"import_status": o.status()}
        if o.status() == "Failed":
            want["error_message"] = fill(o.errors()[-1].report, values)
            want["error_link"] = "import_log.html#%s" % id_of[id(o.errors()[-1])]
        elif o.status() == "Warning" and scenario.target not in TIP_TARGETS:
            want["comments"] = fill(o.errors()[-1].report, values)
        got = {k: entry.get(k) for k in want}
        unwanted = [k for k in ("error_message", "error_link") if o.status() != "Failed"
                    and k in entry]
        c.check("data.js object %s" % o.name,
                got == want and not unwanted and isinstance(entry.get("time_import"), int),
                "expected %r, got %r" % (want, entry))
        # A target with a tips table keeps a tip in "comments", never the warning text.
        if ((o.status() == "Warning" and scenario.target in TIP_TARGETS)
                or (o.status() == "Failed" and scenario.tips)):
            check_tip(c, "data.js tip of %s" % o.name, entry,
                      scenario.tips.get(fill(o.errors()[-1].report, values)))
    for name in scenario.not_imported:
        c.check("data.js object %s left alone" % name,
                set(by_name.get(name, {})) == {"object_name", "object_type"},
                repr(by_name.get(name)))
    check_error_table(c, scenario, doc, values, id_of)
    return doc


def check_tip(c, name, entry, tip):
    if tip is None:
        ok = "comments" not in entry and "comments_link" not in entry
    elif tip.link_path:
        ok = entry.get("comments") == tip.comment and str(
            entry.get("comments_link", "")).endswith(tip.link_path)
    else:
        ok = entry.get("comments") == tip.comment and "comments_link" not in entry
    c.check(name, ok, "expected %r, got %r" % (tip, entry))


def check_error_table(c, scenario, doc, values, id_of):
    table = doc.get("error_table", [])
    others = [e for e in table if e.get("error_type") != "Import"]
    imports = [e for e in table if e.get("error_type") == "Import"]
    c.check("error_table keeps the converter's entries first",
            len(others) == scenario.other_error_table
            and table[:len(others)] == others, repr(table))
    groups = {}
    for o, e in flat(scenario):
        if e.kind == "error":
            group = groups.setdefault(fill(e.report, values),
                                      {"count": 0, "link": id_of[id(e)], "names": []})
            group["count"] += 1
            group["names"].append(o.name)
    want = [{"error_type": "Import", "number_of_occurences": g["count"],
             "error_link": "import_log.html#%s" % g["link"], "error_message": text,
             "failed_objects": "\n".join(g["names"])}
            for text, g in sorted(groups.items(), key=lambda kv: kv[0].encode())]
    keys = ("error_type", "number_of_occurences", "error_link", "error_message", "failed_objects")
    got = [{k: e.get(k) for k in keys} for e in imports]
    c.equal("error_table entries grouped by message", got, want)
    if scenario.tips and len(imports) == len(want):
        for e in imports:
            check_tip(c, "error_table tip of %r" % e["error_message"][:40], e,
                      scenario.tips.get(e["error_message"]))


def check_anchors(c, html, doc):
    """Every id that data.js links to has its anchor in the log."""
    links = [o["error_link"] for o in doc.get("objects", []) + doc.get("error_table", [])
             if "error_link" in o]
    missing = [l for l in links if not re.search(r'<error id="%s">' % re.escape(l.split("#")[-1]),
                                                 html or "")]
    c.check("import_log.html has an anchor for every error link (%d)" % len(links), not missing,
            repr(missing))


def start_event(script, name="", type_word=""):
    """An object's start event; without an object, the finished event of `script`."""
    return {"type": "import_scripts", "data": {"filename": script, "objectImportName": name,
                                               "type": type_word, "isAdditional": False}}


def expected_events(scenario, values):
    events = []
    for step in scenario.steps:
        if isinstance(step, FinishScript):
            events.append(start_event(step.script))
            continue
        events.append(start_event(step.script, step.name, step.type))
        stages = iter(step.stage_of)
        for entry in step.entries:
            if isinstance(entry, FinishScript):
                events.append(start_event(entry.script))
                continue
            stage = next(stages)
            if entry.kind == "error":
                tool = scenario.tool if entry.tool is None else entry.tool
                events.append({"type": "import_scripts",
                               "data": {"isImportResultError": True,
                                        "isImportStageUnknown": False,
                                        "isImportStageDdl": stage == 1,
                                        "workingFile": entry.file if tool else "",
                                        "scriptFile": entry.script or step.script,
                                        "errLine": "",
                                        "errCode": entry.err_code, "errName": entry.err_name,
                                        "errTxt": fill(entry.err_txt, values)}})
    _, (ok, failed, warned) = expected_summary(scenario)
    events.append({"type": "import_report",
                   "data": {"success_import": ok, "fail_import": failed,
                            "warnings_import": warned}})
    return events


def check_events(c, scenario, event_file, values, doc):
    raw = []
    if os.path.exists(event_file):
        with open(event_file, encoding="utf-8", errors="replace") as f:
            raw = [(int(line.split(" ", 1)[0]), line.rstrip("\n").partition(" ")[2]) for line in f]
    c.check("every event is one frame", all(frames == 1 for frames, _ in raw), repr(raw[:3]))
    try:
        parsed = [json.loads(text, object_pairs_hook=list) for _, text in raw]
    except ValueError as error:
        c.check("events are JSON", False, str(error))
        return
    # Key order is part of the message format: compare as ordered pairs.
    c.equal("start, finish, error and final status events in order", parsed,
            json.loads(json.dumps(expected_events(scenario, values)), object_pairs_hook=list))
    if doc is not None:
        statuses = [o.get("import_status") for o in doc.get("objects", [])]
        final = dict(json.loads(raw[-1][1])["data"]) if raw else {}
        c.equal("final status event agrees with data.js",
                (final.get("success_import"), final.get("fail_import")),
                (statuses.count("Ok") + statuses.count("Warning"), statuses.count("Failed")))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenario", required=True, choices=sorted(SCENARIOS))
    for name in ("--dir", "--launcher", "--subscriber"):
        parser.add_argument(name, required=True, type=os.path.abspath)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--closed-port", type=int, default=0)
    parser.add_argument("--chromium")
    args = parser.parse_args()
    scenario = SCENARIOS[args.scenario]
    run_dir = args.dir
    values = {"port": args.port, "closed_port": args.closed_port, "dir": run_dir}
    c = Checks(scenario.name)

    event_file = os.path.join(run_dir, "events.txt")
    code, output = run_import(args, scenario, run_dir, event_file)
    lines = [l.rstrip("\r") for l in output.split("\n")]
    c.equal("exit code", code, scenario.exit_code)
    check_summary(c, scenario, lines)
    html, ids = check_html(c, scenario, run_dir, values)
    if ids:  # the id checks below need the log's lines matched to the expected entries
        check_ids(c, scenario, lines, ids)
    doc = check_data_js(c, scenario, run_dir, values, ids)
    if doc is not None:
        check_anchors(c, html, doc)
    check_events(c, scenario, event_file, values, doc)
    if args.chromium and ids:
        # The page's own script marks the line that the fragment names.
        last = [i for (_, e), i in zip(flat(scenario), ids) if e.kind == "error"][-1]
        log = os.path.join(run_dir, "reports", "Import", "import_log.html")
        dom, said = report_page.dump_dom(args.chromium, "file://%s#%d" % (log, last))
        tag = re.search(r'<error id="%d"[^>]*>' % last, dom)
        c.check("chromium marks line #%d as selected" % last,
                tag is not None and 'class="selected"' in tag.group(0),
                tag.group(0) if tag else "no element; chromium said: %s" % said)
    if args.chromium and doc is not None:
        report_page.check_run(c, args.chromium, run_dir, doc, html)
    return c.finish(run_dir)


if __name__ == "__main__":
    sys.exit(main())
