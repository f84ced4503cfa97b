"""Reads a run's -JUNIT report (RUN_DIR/junit.xml) back with junitparser, a JUnit XML library
that CI servers' tools use, and compares it with the run's data.js object for object.
"""

import json
import os
import sys

from junitparser import Failure, JUnitXml, Skipped

sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check import Checks, arguments  # noqa: E402


def main():
    run_dir = arguments("--dir").dir
    c = Checks("junit")
    with open(os.path.join(run_dir, "reports", "data.js"), encoding="utf-8") as f:
        doc = json.loads(f.read()[len("const json ="):])
    try:
        xml = JUnitXml.fromfile(os.path.join(run_dir, "junit.xml"))
    except Exception as error:  # any reason it cannot be read is the finding
        c.check("junit.xml read by junitparser", False, repr(error))
        return c.finish(run_dir, "junit.txt")
    cases = {(suite.name, case.name): case for suite in xml for case in suite}
    expected = {(e.get("object_type") or "Object", e["object_name"]): e
                for e in doc.get("objects", []) if isinstance(e, dict) and e.get("object_name")}
    c.check("junit.xml has one test case per data.js object", set(cases) == set(expected),
            "junit %r, data.js %r" % (sorted(cases), sorted(expected)))
    for key, entry in expected.items():
        if (case := cases.get(key)) is None:
            continue
        status, kinds = entry.get("import_status"), [type(r) for r in case.result]
        detail = "%r: %r" % (entry, [(r.message, r.text) for r in case.result])
        if status == "Failed":
            failure = case.result[0] if kinds == [Failure] else None
            anchor = entry.get("error_link", "#").split("#", 1)[1]
            c.check("junit failure of %s %s" % key,
                    failure is not None and failure.message == entry.get("error_message")
                    and failure.text.endswith("/Import/import_log.html#" + anchor), detail)
        elif status is None:
            c.check("junit skipped %s %s" % key, kinds == [Skipped], detail)
        else:
            c.check("junit passed %s %s" % key, case.is_passed and (status != "Warning" or (
                case.system_out or "") == entry.get("comments", "")), detail)
        c.check("junit time of %s %s" % key, case.time == float(entry.get("time_import", 0)),
                detail)
    failed = sum(1 for e in expected.values() if e.get("import_status") == "Failed")
    c.check("junit totals", xml.tests == len(expected) and xml.failures == failed,
            "tests %r failures %r" % (xml.tests, xml.failures))
    return c.finish(run_dir, "junit.txt")


if __name__ == "__main__":
    sys.exit(main())
