#!/usr/bin/env python3
"""The report page (ImportReport.html) as headless Chromium renders it: check.py calls
check_run() after a real import; run on its own, it checks a copy of the page against crafted data
files (hostile texts, a malformed and a missing data.js).
"""

import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
from html.parser import HTMLParser

sys.dont_write_bytecode = True  # keep the source tree free of caches

BROWSER_TIMEOUT = 60
SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res", "Reports")
ROW = re.compile(r'<tr class="row-\w+"><td>(.*?)</td><td>.*?</td><td><span class="status '
                 r'status-\w+">(.*?)</span>')
LOG_LINK = re.compile(r'href="Import/import_log\.html#(\d+)"')


def dump_dom(chromium, url):
    """The page's DOM after its scripts ran, and what Chromium said on stderr."""
    with tempfile.TemporaryDirectory(prefix="ml-e2e-chromium.",
                                     ignore_cleanup_errors=True) as profile:
        command = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                   "--no-first-run", "--disable-background-networking",
                   "--disable-component-update", "--disable-sync", "--user-data-dir=" + profile,
                   "--dump-dom", url]
        try:
            done = subprocess.run(command, capture_output=True, stdin=subprocess.DEVNULL,
                                  timeout=BROWSER_TIMEOUT)
        except subprocess.TimeoutExpired:
            return "", "chromium timed out"
    return done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")[-500:]


class Elements(HTMLParser):
    """Start tags of a DOM dump: names, hrefs, attributes of the root and of elements with an id."""

    def __init__(self, dom):
        super().__init__()
        self.tags, self.hrefs, self.by_id, self.root = [], [], {}, {}
        self.feed(dom)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.append(tag)
        if tag == "html":
            self.root = attrs
        if "href" in attrs:
            self.hrefs.append(attrs["href"])
        if "id" in attrs:
            self.by_id[attrs["id"]] = attrs


def shown_objects(dom):
    return [(html.unescape(name), html.unescape(status)) for name, status in ROW.findall(dom)]


def shows_message(dom):
    ids = Elements(dom).by_id
    return ("hidden" not in ids.get("report-message", {"hidden": ""})
            and "hidden" in ids.get("report", {}) and "cannot be shown" in dom)


def check_run(c, chromium, run_dir, doc, log_html):
    """After a real run: the companions are the sources, each object shows with its status, and
    every log link of the page names an anchor of the log."""
    reports = os.path.join(run_dir, "reports")
    for name in ("ImportReport.html", os.path.join("css", "stylesheet.css")):
        path = os.path.join(reports, name)
        got = open(path, "rb").read() if os.path.exists(path) else None
        c.check("report folder holds %s as compiled in" % name,
                got == open(os.path.join(SOURCES, name), "rb").read(), path)
    dom, said = dump_dom(chromium, "file://" + os.path.join(reports, "ImportReport.html"))
    c.check("report page shows no load message", not shows_message(dom), said)
    want = [(o.get("object_name"), o.get("import_status", "Not imported"))
            for o in doc.get("objects", [])]
    c.equal("report page shows each object with its status", shown_objects(dom), want)
    ids = set(LOG_LINK.findall(dom))
    links = [o.get("error_link") for o in doc.get("objects", []) + doc.get("error_table", [])]
    want_ids = {l.split("#")[-1] for l in links if l}
    missing = sorted(i for i in ids if '<error id="%s">' % i not in (log_html or ""))
    c.check("report page links every error to its log line (%d)" % len(ids),
            ids == want_ids and not missing,
            "links %r, data.js %r, without anchor %r" % (sorted(ids), sorted(want_ids), missing))


HOSTILE = '<img src=x onerror="document.documentElement.setAttribute(\'data-pwned\',1)">'


HOSTILE_DATA = {
    "general_information": {"target_database": HOSTILE, "constructor": 3},
    "objects": [
        {"object_name": HOSTILE, "object_type": "<b>Table</b>", "import_status": "Failed",
         "error_message": "</script>" + HOSTILE, "error_link": "import_log.html#12",
         "comments": HOSTILE, "comments_link": "javascript:alert(1)"},
        {"object_name": "a&b", "import_status": "Warning", "comments": HOSTILE},
        {"object_name": "plain", "object_type": "__proto__", "error_link": "javascript:x"},
    ],
    "error_table": [
        {"error_type": "Import", "number_of_occurences": 1, "error_message": HOSTILE,
         "error_link": "https://example.invalid/#12", "failed_objects": HOSTILE + "\nplain"},
    ],
}


def check_crafted(c, chromium, page, work):
    """Hostile texts stay text; a malformed or missing data.js gives a visible message."""
    cases = {
        "hostile": "const json =" + json.dumps(HOSTILE_DATA),
        "malformed": 'const json ={"objects": [{"object_name": "x"',
        "not an object": "const json =[1, 2]",
        "missing": None,
    }
    for name, content in cases.items():
        folder = os.path.join(work, name.replace(" ", "_"))
        os.makedirs(folder, exist_ok=True)
        shutil.copy(page, folder)
        if content is not None:
            with open(os.path.join(folder, "data.js"), "w") as f:
                f.write(content)
        dom, said = dump_dom(chromium, "file://" + os.path.join(folder, "ImportReport.html"))
        if name != "hostile":
            c.check("%s data.js gives a visible message" % name, shows_message(dom),
                    dom[dom.find("<body"):][:600] or said)
            continue
        elements = Elements(dom)
        c.check("hostile texts are not markup",
                "img" not in elements.tags and "b" not in elements.tags
                and "data-pwned" not in elements.root, dom[dom.find("<main"):][:1500])
        c.equal("hostile object names shown as text", shown_objects(dom),
                [(HOSTILE, "Failed"), ("a&b", "Warning"), ("plain", "Not imported")])
        summary = dom[dom.find('id="summary-table"'):]
        c.equal("data.js names are plain names, also those of JavaScript's own",
                [html.unescape(t) for t in re.findall(r"<tr><td>(.*?)</td>",
                                                      summary[:summary.find("</tbody>")])]
                + re.findall(r"<dt>(constructor)</dt>", dom),
                ["<b>Table</b>", "Other", "__proto__", "constructor"])
        c.equal("only log links of data.js's own form become links",
                [h for h in elements.hrefs if "import_log" in h or ":" in h],
                ["Import/import_log.html", "Import/import_log.html#12",
                 "Import/import_log.html#12"])


def main():
    from check import Checks, arguments  # noqa: E402 (check.py imports this file)

    args = arguments("--page", "--chromium", "--work")
    c = Checks("report-page")
    check_crafted(c, args.chromium, os.path.abspath(args.page), os.path.abspath(args.work))
    return c.finish(args.work)


if __name__ == "__main__":
    sys.exit(main())
