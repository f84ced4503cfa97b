"""Reads a run's -JUNIT report back with junitparser, a JUnit XML library that CI servers' tools
use, and compares it with the run's data.js object for object.

    /usr/bin/python3 junit_check.py --dir RUN_DIR

RUN_DIR holds junit.xml and reports/data.js of a finished run. Writes its checks to
RUN_DIR/junit.txt, ending with the line "checks passed=N failed=M" as check.py does.
"""

import argparse
import json
import os
import sys

from junitparser import Failure, JUnitXml, Skipped

sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check import Checks  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    run_dir = parser.parse_args().dir
    c = Checks("junit")
    check = c.check

    with open(os.path.join(run_dir, "reports", "data.js"), encoding="utf-8") as f:
        doc = json.loads(f.read()[len("const json ="):])
    try:
        xml = JUnitXml.fromfile(os.path.join(run_dir, "junit.xml"))
    except Exception as error:  # any reason it cannot be read is the finding
        xml = None
        check("junit.xml read by junitparser", False, repr(error))
    if xml is not None:
        cases = {(suite.name, case.name): case for suite in xml for case in suite}
        expected = {}
        for entry in doc.get("objects", []):
            if isinstance(entry, dict) and entry.get("object_name"):
                expected[(entry.get("object_type") or "Object", entry["object_name"])] = entry
        check("junit.xml has one test case per data.js object", set(cases) == set(expected),
              "junit %r, data.js %r" % (sorted(cases), sorted(expected)))
        for key, entry in expected.items():
            case = cases.get(key)
            if case is None:
                continue
            status = entry.get("import_status")
            kinds = [type(r) for r in case.result]
            detail = "%r: %r" % (entry, [(r.message, r.text) for r in case.result])
            if status == "Failed":
                failure = case.result[0] if kinds == [Failure] else None
                anchor = entry.get("error_link", "#").split("#", 1)[1]
                check("junit failure of %s %s" % key,
                      failure is not None and failure.message == entry.get("error_message")
                      and failure.text.endswith("/Import/import_log.html#" + anchor), detail)
            elif status is None:
                check("junit skipped %s %s" % key, kinds == [Skipped], detail)
            else:
                check("junit passed %s %s" % key, case.is_passed and (
                    status != "Warning" or (case.system_out or "") == entry.get("comments", "")), detail)
            check("junit time of %s %s" % key,
                  case.time == float(entry.get("time_import", 0)), detail)
        failed = sum(1 for e in expected.values() if e.get("import_status") == "Failed")
        check("junit totals", xml.tests == len(expected) and xml.failures == failed,
              "tests %r failures %r" % (xml.tests, xml.failures))
    return c.finish(run_dir, "junit.txt")


if __name__ == "__main__":
    sys.exit(main())
