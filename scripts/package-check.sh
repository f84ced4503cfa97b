#!/usr/bin/env bash
# package-check.sh BUILD_DIR: builds the Debian package from BUILD_DIR with CPack, unpacks it
# into a scratch root (dpkg -x: the system's package database is not touched) and runs the
# unpacked program once on its bundled example, as a user would after installing it.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: bash scripts/package-check.sh BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)

rm -f "$build"/migrationlauncher_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/migrationlauncher_*.deb)
echo "package: $package"
depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
[[ $depends == *libzmq5* && $depends == *libxml2* ]] || { echo "FAIL: dependencies" >&2; exit 1; }

scratch=$(mktemp -d /tmp/ml-package.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$package" "$scratch/root"
cp -R "$scratch/root/usr/share/migrationlauncher/examples/oracle" "$scratch/run"
status=0
(cd "$scratch/run" &&
  "$scratch/root/usr/bin/MigrationLauncher" -D=Oracle -RPT -BAT=movarin_all.sh >../out.txt) ||
  status=$?
# The example reports errors on purpose: exit code 1, with every report beside the script.
[ "$status" -eq 1 ] || { tail -n 20 "$scratch/out.txt"; echo "FAIL: exit code $status" >&2; exit 1; }
grep -q "^Import finished:" "$scratch/out.txt" || { echo "FAIL: no summary" >&2; exit 1; }
for f in movarin_imp.log reports/data.js reports/Import/import_log.html reports/ImportReport.html \
  reports/css/stylesheet.css; do
  [ -s "$scratch/run/$f" ] || { echo "FAIL: the installed program wrote no $f" >&2; exit 1; }
done
echo "package check passed: the unpacked program ran the example"
