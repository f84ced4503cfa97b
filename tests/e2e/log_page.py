#!/usr/bin/env python3
"""The HTML import log as headless Chromium renders it, after an import whose output and command
line carry markup (database messages hold data of the source database): all of it stays text.
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check import Checks, arguments, prepare_run  # noqa: E402
from report_page import Elements, dump_dom  # noqa: E402


def pwn(n):
    return "document.documentElement.setAttribute('data-pwned',%d)" % n


# Each would become a live element if written as it is.
HOSTILE_NAME = '<img src=x onerror="%s">' % pwn(1)
HOSTILE_ERROR = 'ORA-00942: relation "</text><script>%s</script>" does not exist' % pwn(2)
HOSTILE_HOST = "<script>%s</script> & more" % pwn(3)
HOSTILE_SCRIPT = "run<b>.sh"
LINES = ["Importing database objects to Oracle", "Importing Table %s to SCOTT" % HOSTILE_NAME,
         HOSTILE_ERROR, "Import script %s finished" % HOSTILE_SCRIPT]


def main():
    args = arguments("--launcher", "--chromium", "--work")
    work = os.path.abspath(args.work)
    c = Checks("log-page")
    prepare_run(work, None, "#!/bin/sh\n" + "".join(
        "printf '%%s\\n' '%s'\n" % line.replace("'", "'\\''") for line in LINES), HOSTILE_SCRIPT)
    done = subprocess.run([args.launcher, "-D=Oracle", "-RPT", "-BAT=" + HOSTILE_SCRIPT,
                           "-H=" + HOSTILE_HOST], cwd=work, capture_output=True,
                          stdin=subprocess.DEVNULL, timeout=60)
    c.equal("the import's error gives exit code 1", done.returncode, 1)
    path = os.path.join(work, "reports", "Import", "import_log.html")
    if not c.check("import_log.html written", os.path.exists(path), path):
        return c.finish(work)
    with open(path, encoding="utf-8", errors="replace") as f:
        page = f.read()
    c.check("the log's own markup is kept",
            page.count("<script") == 1 and page.count('<error id="') == 1, page[:300])
    dom, said = dump_dom(args.chromium, "file://" + path)
    elements = Elements(dom)
    c.check("no injected element is live",
            elements.tags.count("script") == 1 and "img" not in elements.tags
            and "b" not in elements.tags and "data-pwned" not in elements.root,
            "tags %r, root %r, %s" % (elements.tags, elements.root, said))
    # The DOM dump writes text with its own escapes: each hostile text shows as written.
    shown = [t for t in (HOSTILE_NAME, HOSTILE_ERROR, HOSTILE_HOST, HOSTILE_SCRIPT)
             if t.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;") in dom]
    c.equal("the hostile texts show as text", len(shown), 4)
    return c.finish(work)


if __name__ == "__main__":
    sys.exit(main())
