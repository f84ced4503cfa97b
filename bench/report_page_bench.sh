#!/usr/bin/env bash
# Render time of the report page (res/Reports/ImportReport.html) in headless Chromium for a large
# generated data.js.
#
#   bash bench/report_page_bench.sh [OBJECTS=50000] [RUNS=3] [CPU_LIST]
#
# The data has OBJECTS objects over eight types (80% Ok, 10% Failed with a log link, 5% Warning,
# 5% not imported) and one "Import" error group per 100 failed objects. The page records, on its
# root element as data-render-ms, the time from navigation start to a laid-out page (data.js
# parsed, every table and the chart built, layout forced). Each run uses a fresh browser
# profile and also times a page that only loads the same data.js, the floor that no page
# can beat; the figures printed are those attributes, beside the browser's whole wall time.
# CPU_LIST (e.g. 1) pins the browser with taskset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
objects=${1:-50000}
runs=${2:-3}
cpus=${3:-}
chromium=$(command -v chromium) || { echo "chromium not found" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ml_page.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$root/res/Reports/ImportReport.html" "$work/"
python3 - "$objects" "$work/data.js" <<'PY'
import json, random, sys

count, path = int(sys.argv[1]), sys.argv[2]
rng = random.Random(20240607)
types = ["Table", "View", "Function", "StoredProcedure", "Sequence", "Index", "Trigger", "Type"]
objects, groups, line = [], {}, 100
for n in range(count):
    o = {"object_name": "SCHEMA_%d.OBJECT_%06d" % (n % 40, n), "object_type": types[n % 8]}
    roll = rng.random()
    if roll < 0.80:
        o.update(import_status="Ok", time_import=rng.randint(0, 3))
    elif roll < 0.90:
        line += rng.randint(5, 40)
        message = "ORA-%05d: generated failure %d" % (900 + n % 300, n % 300)
        o.update(import_status="Failed", time_import=1, error_message=message,
                 error_link="import_log.html#%d" % line)
        group = groups.setdefault(message, {"count": 0, "link": line, "names": []})
        group["count"] += 1
        group["names"].append(o["object_name"])
    elif roll < 0.95:
        o.update(import_status="Warning", time_import=0,
                 comments="Warning: created with compilation errors.")
    objects.append(o)
table = [{"error_type": "Import", "number_of_occurences": g["count"],
          "error_link": "import_log.html#%d" % g["link"], "error_message": m,
          "failed_objects": "\n".join(g["names"])} for m, g in sorted(groups.items())]
document = {"general_information": {"source_database": "Oracle", "target_database": "Oracle",
                                    "time_import": 42, "import_report": True,
                                    "use_import_log_analyzer": True},
            "objects": objects, "error_table": table}
with open(path, "w") as f:
    f.write("const json =" + json.dumps(document, separators=(",", ":")))
PY
echo "objects: $objects, data.js: $(stat -c %s "$work/data.js") bytes, chromium: $("$chromium" --version)"

# The floor: a page that only loads data.js and lays out an empty body, timed the same way.
printf '%s\n' '<!DOCTYPE html><html><body><script src="data.js"></script><script>' \
  'void document.body.offsetHeight;' \
  'document.documentElement.setAttribute("data-render-ms", Math.round(performance.now()));' \
  '</script></body></html>' >"$work/floor.html"

pin=()
[[ -n $cpus ]] && pin=(taskset -c "$cpus")
# render PAGE: prints the page's own figure and the browser's wall time in ms.
render() {
  local profile start
  profile=$(mktemp -d "$work/profile.XXXXXX")
  start=$(date +%s%N)
  "${pin[@]}" "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --dump-dom "file://$work/$1" >"$work/dom.html" 2>/dev/null
  local wall_ms=$((($(date +%s%N) - start) / 1000000))
  rm -rf "$profile"
  echo "$(grep -o 'data-render-ms="[0-9]*"' "$work/dom.html" | grep -o '[0-9]*' || echo '?') $wall_ms"
}
for run in $(seq "$runs"); do
  read -r floor_ms floor_wall < <(render floor.html)
  read -r page_ms page_wall < <(render ImportReport.html)
  rows=$(grep -o '<tr class="row-' "$work/dom.html" | wc -l)
  echo "run $run: page ${page_ms} ms ($rows object rows; chromium wall ${page_wall} ms)," \
    "data.js alone ${floor_ms} ms (wall ${floor_wall} ms), load $(cut -d' ' -f1 /proc/loadavg)"
done
