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

status=0
"$bin" -D=Oracle -RPT "-BAT=$work/movarin_all.sh" || status=$?

echo
echo "MigrationLauncher exit code: $status (1: the import reported errors)"
echo "Trace file:      $work/movarin_imp.log"
echo "HTML import log: $work/reports/Import/import_log.html"
echo "JSON report:     $work/reports/data.js"
for f in "$work/reports/Import/import_log.html" "$work/reports/data.js"; do
  [ -s "$f" ] || { echo "missing: $f" >&2; exit 1; }
done
