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
# profile; the figure printed is that attribute, beside the browser's whole wall time.
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

pin=()
[[ -n $cpus ]] && pin=(taskset -c "$cpus")
for run in $(seq "$runs"); do
  profile=$work/profile.$run
  start=$(date +%s%N)
  "${pin[@]}" "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --dump-dom "file://$work/ImportReport.html" \
    >"$work/dom.html" 2>/dev/null
  wall_ms=$((($(date +%s%N) - start) / 1000000))
  render_ms=$(grep -o 'data-render-ms="[0-9]*"' "$work/dom.html" | grep -o '[0-9]*' || true)
  rows=$(grep -o '<tr class="row-' "$work/dom.html" | wc -l)
  echo "run $run: render ${render_ms:-?} ms (page), $rows object rows, chromium wall ${wall_ms} ms"
done
