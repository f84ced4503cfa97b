#!/usr/bin/env python3
"""Runs MigrationLauncher on one prepared import scenario (scenarios.py) against the live servers,
under the wizard event recorder, and checks what it reported. Prints "PASS ..." or "FAIL ..." per
check; the last line, also written to RUN_DIR/check.txt, is "checks passed=N failed=M".
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
# The scenarios' targets whose report takes tips from a table.
TIP_TARGETS = ("MariaDB",)


class Checks:
    def __init__(self, scenario):
        self.prefix, self.passed, self.failed = scenario, 0, 0

    def check(self, name, ok, detail=""):
        self.passed, self.failed = self.passed + bool(ok), self.failed + (not ok)
        print("PASS %s: %s" % (self.prefix, name) if ok else
              "FAIL %s: %s: %s" % (self.prefix, name, detail))
        return ok

    def equal(self, name, actual, expected):
        return self.check(name, actual == expected, difference(expected, actual))

    def finish(self, folder, name="check.txt"):
        """Prints and writes the result line; the exit code of the checker."""
        result = "checks passed=%d failed=%d" % (self.passed, self.failed)
        print(result)
        with open(os.path.join(folder, name), "w") as f:
            f.write(result + "\n")
        return int(self.failed > 0)


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


def arguments(*required, optional=()):
    """The command line of a checker: the options named, each with a value."""
    parser = argparse.ArgumentParser()
    for name in required + tuple(optional):
        parser.add_argument(name, required=name in required)
    return parser.parse_args()


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")
    except OSError:
        return ""


def prepare_run(folder, data_js, script, name="movarin_all.sh"):
    """A run folder with reports/data.js (a copy of the file `data_js`, or an empty report) and
    the executable import script `name` holding `script`; returns the script's path."""
    os.makedirs(os.path.join(folder, "reports"), exist_ok=True)
    with open(os.path.join(folder, "reports", "data.js"), "wb") as f:
        f.write(open(data_js, "rb").read() if data_js else b"const json ={}")
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write(script)
    os.chmod(path, 0o755)
    return path


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
    """Runs MigrationLauncher under the recorder; with a stop marker, sends it SIGTERM once the
    import script has created the marker. Returns (code, output); code None after a timeout."""
    event_port, recorder = start_recorder(args.subscriber, event_file, LAUNCH_TIMEOUT + 30)
    command = [args.launcher, "-D=" + scenario.target, "-RPT", "-EVENTPORT=%d" % event_port,
               "-BAT=" + os.path.join(run_dir, "movarin_all.sh"),
               "-JUNIT=" + os.path.join(run_dir, "junit.xml")]
    # Rule files of the machine's user stay out of the run (junit_check.py reads junit.xml).
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(run_dir, "config"))
    with subprocess.Popen(command, cwd=run_dir, env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL) as launcher:
        if scenario.stop_marker:
            marker = os.path.join(run_dir, scenario.stop_marker)
            deadline = time.monotonic() + LAUNCH_TIMEOUT
            while not os.path.exists(marker) and launcher.poll() is None \
                    and time.monotonic() < deadline:
                time.sleep(0.1)
            time.sleep(0.5)  # the client of the slow step has started
            launcher.send_signal(signal.SIGTERM)
        try:
            output, code = launcher.communicate(timeout=LAUNCH_TIMEOUT)[0], launcher.returncode
        except subprocess.TimeoutExpired:
            launcher.kill()
            output, code = launcher.communicate()[0], None
    stop_recorder(recorder)
    with open(os.path.join(run_dir, "launcher.out"), "wb") as f:
        f.write(output)
    return code, output.decode("utf-8", "replace")


HTML_ENTRY = re.compile(
    r'<(error|warning) id="(\d+)">\[(?:ERR|WRN)\] (?:(.*?)> )?</exec>(.*?)</\1>\r\n', re.S)


def expected_summary(scenario):
    def counts(selected):
        ok = sum(1 for o in selected if o.status() != "Failed")
        return ok, len(selected) - ok, sum(1 for o in selected if o.status() == "Warning")

    objects, lines = scenario.objects(), ["-" * 50, "Import finished:"]
    for word in TYPE_CODES:
        if selected := [o for o in objects if o.type == word]:
            ok, failed, warned = counts(selected)
            lines.append("Total: %d %s(s), %d Ok, %d Error(s), %d Warning(s)"
                         % (ok + failed, word, ok, failed, warned))
    ok, failed, _ = counts(objects)
    if objects:
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
    """A tip's comment and link (when it has one) are kept; without a tip, neither key is."""
    comment, link = entry.get("comments", ()), entry.get("comments_link", ())
    ok = (comment, link) == ((), ()) if tip is None else comment == tip.comment and (
        str(link).endswith(tip.link_path) if tip.link_path else link == ())
    c.check(name, ok, "expected %r, got %r" % (tip, entry))


def check_error_table(c, scenario, doc, values, id_of):
    table = doc.get("error_table", [])
    others = [e for e in table if e.get("error_type") != "Import"]
    imports = [e for e in table if e.get("error_type") == "Import"]
    c.check("error_table keeps the converter's entries first",
            len(others) == scenario.other_error_table
            and table[:len(others)] == others, repr(table))
    groups = {}  # message -> (id of its first error, names of its objects)
    for o, e in flat(scenario):
        if e.kind == "error":
            groups.setdefault(fill(e.report, values), (id_of[id(e)], []))[1].append(o.name)
    want = [{"error_type": "Import", "number_of_occurences": len(names),
             "error_link": "import_log.html#%s" % link, "error_message": text,
             "failed_objects": "\n".join(names)}
            for text, (link, names) in sorted(groups.items(), key=lambda kv: kv[0].encode())]
    got = [{k: e.get(k) for k in (want[0] if want else {})} for e in imports]
    c.equal("error_table entries grouped by message", got, want)
    if scenario.tips and len(imports) == len(want):
        for e in imports:
            check_tip(c, "error_table tip of %r" % e["error_message"][:40], e,
                      scenario.tips.get(e["error_message"]))


def start_event(script, name="", type_word=""):
    """An object's start event; without an object, the finished event of `script`."""
    return {"type": "import_scripts", "data": {"filename": script, "objectImportName": name,
                                               "type": type_word, "isAdditional": False}}


def error_event(scenario, step, entry, stage, values):
    tool = scenario.tool if entry.tool is None else entry.tool
    return {"type": "import_scripts", "data": {
        "isImportResultError": True, "isImportStageUnknown": False, "isImportStageDdl": stage == 1,
        "workingFile": entry.file if tool else "", "scriptFile": entry.script or step.script,
        "errLine": "", "errCode": entry.err_code, "errName": entry.err_name,
        "errTxt": fill(entry.err_txt, values)}}


def expected_events(scenario, values):
    events = []
    late = {}  # object name -> error events of earlier objects that follow its own
    for step in scenario.steps:
        if isinstance(step, FinishScript):
            events.append(start_event(step.script))
            continue
        events.append(start_event(step.script, step.name, step.type))
        stages = iter(step.stage_of)
        for entry in step.entries:
            stage = None if isinstance(entry, FinishScript) else next(stages)
            if stage is None:
                events.append(start_event(entry.script))
            elif entry.kind == "error":
                event = error_event(scenario, step, entry, stage, values)
                (late.setdefault(entry.after, []) if entry.after else events).append(event)
        events += late.pop(step.name, [])
    _, (ok, failed, warned) = expected_summary(scenario)
    return events + [{"type": "import_report", "data": {
        "success_import": ok, "fail_import": failed, "warnings_import": warned}}]


def check_events(c, scenario, event_file, values):
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


def main():
    args = arguments("--scenario", "--dir", "--launcher", "--subscriber",
                     optional=["--port", "--closed-port", "--chromium"])
    run_dir, args.launcher, args.subscriber = map(os.path.abspath,
                                                  (args.dir, args.launcher, args.subscriber))
    scenario = SCENARIOS[args.scenario]
    values = {"port": args.port or 0, "closed_port": args.closed_port or 0, "dir": run_dir}
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
    check_events(c, scenario, event_file, values)
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
