#!/usr/bin/env bash
# Installs what is missing, builds, and runs MigrationLauncher on the bundled example import
# (examples/oracle), in a scratch copy so the example itself stays untouched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release
bin=$root/build/release/DADuduziradOrevurid/MigrationLauncher

work=${1:-$(mktemp -d /tmp/migration-example.XXXXXX)}
mkdir -p "$work"
cp -R examples/oracle/. "$work/"
echo "Example copied to $work"

# Run from the script's folder with its bare name, the way a user starts an import by hand.
status=0
(cd "$work" && "$bin" -D=Oracle -RPT -BAT=movarin_all.sh) || status=$?

echo
echo "MigrationLauncher exit code: $status (1: the import reported errors)"
echo "Trace file:      $work/movarin_imp.log"
echo "HTML import log: $work/reports/Import/import_log.html"
echo "JSON report:     $work/reports/data.js"
echo "Report page:     $work/reports/ImportReport.html (open it in a browser)"
for f in "$work/reports/Import/import_log.html" "$work/reports/data.js" \
  "$work/reports/ImportReport.html" "$work/reports/css/stylesheet.css"; do
  [ -s "$f" ] || { echo "missing: $f" >&2; exit 1; }
done
