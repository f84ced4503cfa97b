#!/usr/bin/env bash
# End-to-end suite: real psql and mysql clients against real PostgreSQL and MariaDB servers on
# loopback, MigrationLauncher analyzing the import, a ZeroMQ recorder for its events and headless
# Chromium for the log page and the report page.
#
#   bash scripts/e2e.sh BUILD_DIR        BUILD_DIR holds DADuduziradOrevurid/MigrationLauncher
#
# Runs as root (installs what is missing, runs the servers as the postgres and mysql users).
# Never skips: a missing tool or a server that does not start is a failure. Ends with the line
# "N passed, M failed" and a non-zero exit code when anything failed.
# ML_E2E_KEEP=1 keeps the work folder; ML_E2E_CAPTURE=1 also rewrites tests/e2e/captured/ from
# the clients' real output. ML_E2E_ONLY="NAME ..." runs only the named parts (the names the
# "== NAME ==" headings show; "report page" is report-page, and so on); the report page needs
# postgresql-failures.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
e2e=$root/tests/e2e

passed=0
failed=0
lanes=()
fail() {
  echo "FAIL e2e: $*"
  failed=$((failed + 1))
}
finish() {
  echo "$passed passed, $failed failed"
  ((failed == 0))
  exit
}

[ $# -eq 1 ] || { echo "usage: bash scripts/e2e.sh BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" 2>/dev/null && pwd) || { fail "no build folder $1"; finish; }
launcher=$build/DADuduziradOrevurid/MigrationLauncher
[ -x "$launcher" ] || { fail "MigrationLauncher is not built in $build"; finish; }
[ "$(id -u)" -eq 0 ] || { fail "the suite runs as root (servers run as their own users)"; finish; }

# shellcheck source=services.sh
source "$root/scripts/services.sh"
services_install || { fail "cannot install the servers, clients and chromium"; finish; }
cmake --build "$build" --target ml_e2e_subscriber >/dev/null ||
  { fail "cannot build the event recorder"; finish; }
subscriber=$build/tests/e2e/ml_e2e_subscriber
chromium=$(command -v chromium) || { fail "chromium not found"; finish; }
# The client itself rather than Debian's version-picking wrapper, which costs a start-up per call.
psql=$(pg_bin)/psql
[ -x "$psql" ] || { fail "psql not found"; finish; }

work=$(mktemp -d /tmp/ml-e2e.XXXXXX)
chmod 755 "$work"
cleanup() {
  pg_stop
  my_stop
  if [ "${ML_E2E_KEEP:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

pg_port=$(free_port)
my_port=$(free_port)
closed_port=$(free_port)
echo "== starting PostgreSQL on 127.0.0.1:$pg_port and MariaDB on 127.0.0.1:$my_port =="
pg_start "$work/pg" "$pg_port" || { fail "PostgreSQL did not start"; finish; }
my_start "$work/my" "$my_port" || { fail "MariaDB did not start"; finish; }
# The import user may see every database, so that a missing one is reported as unknown rather
# than as a denied one.
my_admin -e "GRANT ALL PRIVILEGES ON *.* TO '$ML_USER'@'127.0.0.1'" ||
  { fail "cannot grant the MariaDB user"; finish; }

# reset_target FOLDER KIND: a fresh target database, so every scenario starts from the same
# state; before a failures run on PostgreSQL, a table left over in the target, so that its import
# finds it there.
reset_target() {
  if [ "$1" = mariadb ]; then
    my_admin -e "DROP DATABASE IF EXISTS $ML_DB; CREATE DATABASE $ML_DB;"
    return
  fi
  pg_admin -q -c "DROP DATABASE IF EXISTS $ML_DB WITH (FORCE)" -c "CREATE DATABASE $ML_DB OWNER $ML_USER" ||
    return
  [ "$2" != failures ] || PGPASSWORD=$ML_PASSWORD "$psql" -X -q -h 127.0.0.1 -p "$pg_port" \
    -U "$ML_USER" -d "$ML_DB" \
    -c "CREATE TABLE public.settings (name varchar(40) PRIMARY KEY, value text)"
}

# prepare SCENARIO FOLDER KIND PSQL: copies the objects and the scenario's scripts into a run
# folder and fills in the connection values and the psql client to call.
prepare() {
  local dir=$work/run/$1
  mkdir -p "$dir"
  cp -r "$e2e/$2/objects/." "$e2e/$2/$3/." "$dir/"
  sed -i -e "s|@HOST@|127.0.0.1|g" -e "s|@DB@|$ML_DB|g" -e "s|@USER@|$ML_USER|g" \
    -e "s|@PASSWORD@|$ML_PASSWORD|g" -e "s|@PSQL@|$4|g" -e "s|@MYSQL@|mysql|g" \
    -e "s|@MISSING_DB@|ml_missing|g" -e "s|@CLOSED_PORT@|$closed_port|g" \
    -e "s|@WRONG_PASSWORD@|ml_wrong_password|g" \
    -e "s|@PORT@|$([ "$2" = postgresql ] && echo "$pg_port" || echo "$my_port")|g" "$dir"/*.sh
  echo "$dir"
}

# capture SCENARIO DIR: the import scripts' own output, run without the launcher, with the run's
# folder and ports replaced by fixed values.
capture() {
  local out=$e2e/captured/$1.txt
  mkdir -p "$e2e/captured"
  (cd "$2" && sh ./movarin_all.sh echo all 2>&1) |
    sed -e "s|$2|/opt/import|g" -e "s|port $pg_port|port 5432|g" -e "s|-p $pg_port|-p 5432|g" \
      -e "s|--port=$my_port|--port=3306|g" -e "s|port $closed_port|port 5439|g" \
      -e "s|-p $closed_port|-p 5439|g" >"$out"
  echo "captured $out"
}

# selected NAME: whether ML_E2E_ONLY leaves the part NAME in.
selected() {
  [ -z "${ML_E2E_ONLY:-}" ] || [[ " $ML_E2E_ONLY " == *" $1 "* ]]
}

run_scenario() {  # NAME FOLDER KIND [PSQL]
  local name=$1 folder=$2 kind=$3 client=${4:-$psql} dir port=$pg_port
  selected "$name" || return 0
  echo "== $name =="
  [ "$folder" = postgresql ] || port=$my_port
  reset_target "$folder" "$kind" || { fail "$name: cannot reset the target database"; return; }
  dir=$(prepare "$name" "$folder" "$kind" "$client") || { fail "$name: cannot prepare"; return; }
  # Imports that stop part-way are not captured: they need their own shell and a stop signal.
  if [ "${ML_E2E_CAPTURE:-0}" = 1 ] && [ "$kind" != clean ] && [[ $kind != stop-* ]] &&
    [ "$client" = "$psql" ]; then
    capture "$name" "$dir"
    reset_target "$folder" "$kind" || { fail "$name: cannot reset after capturing"; return; }
    rm -f "$dir/import.log"
  fi
  python3 "$e2e/check.py" --scenario "$name" --dir "$dir" --launcher "$launcher" \
    --subscriber "$subscriber" --port "$port" --closed-port "$closed_port" \
    --chromium "$chromium"
  count_checks "$name" "$dir/check.txt"
  # Debian's interpreter: junitparser comes as its package (services_install).
  /usr/bin/python3 "$e2e/junit_check.py" --dir "$dir"
  count_checks "$name junit" "$dir/junit.txt"
}

# count_checks NAME FILE: adds the "checks passed=N failed=M" line of FILE to the totals.
count_checks() {
  if [[ $(tail -n 1 "$2" 2>/dev/null) =~ ^checks\ passed=([0-9]+)\ failed=([0-9]+)$ ]]; then
    passed=$((passed + BASH_REMATCH[1]))
    failed=$((failed + BASH_REMATCH[2]))
  else
    fail "$1: the checker did not finish"
  fi
}

# The report page that a run wrote, against crafted data files (hostile, malformed, missing).
run_report_page() {
  selected report-page || return 0
  echo "== report page =="
  local dir=$work/report-page
  mkdir -p "$dir"
  python3 "$e2e/report_page.py" --page "$work/run/postgresql-failures/reports/ImportReport.html" \
    --chromium "$chromium" --work "$dir"
  count_checks report-page "$dir/check.txt"
}

# The HTML import log of an import that prints markup, as Chromium renders it: text stays text.
run_log_page() {
  selected log-page || return 0
  echo "== log page =="
  local dir=$work/log-page
  mkdir -p "$dir"
  python3 "$e2e/log_page.py" --launcher "$launcher" --chromium "$chromium" --work "$dir"
  count_checks log-page "$dir/check.txt"
}

# The run always ends, whatever holds the script's output open, and shows lines while it waits.
run_ends() {
  selected run-ends || return 0
  echo "== run ends =="
  mkdir -p "$work/ends"
  python3 "$e2e/ends.py" --launcher "$launcher" --subscriber "$subscriber" --work "$work/ends" \
    --data-js "$root/examples/oracle/reports/data.js"
  count_checks run-ends "$work/ends/check.txt"
}

# Pauses in the output, after every line or after random lines, change nothing that is reported.
run_replay() {
  selected replay || return 0
  echo "== replay with pauses =="
  mkdir -p "$work/replay"
  local generator=$build/bench/import_log_generator
  python3 "$e2e/replay.py" --launcher "$launcher" --subscriber "$subscriber" \
    --work "$work/replay" --data-js "$root/examples/oracle/reports/data.js" \
    $([ -x "$generator" ] && echo "--generator $generator")
  count_checks replay "$work/replay/check.txt"
}

# The PostgreSQL imports, then the report page of the first of them.
lane_postgresql() {
  run_scenario postgresql-failures postgresql failures
  # The launch rule knows psql by the name "psql.exe": the same import through a client of that
  # name.
  mkdir -p "$work/bin"
  printf '#!/bin/sh\nexec %s "$@"\n' "$psql" >"$work/bin/psql.exe"
  chmod 755 "$work/bin/psql.exe"
  run_scenario postgresql-client-path postgresql failures "$work/bin/psql.exe"
  run_scenario postgresql-clean postgresql clean
  run_scenario postgresql-linux postgresql linux
  # Imports that stop before their end: set -e, syntax errors in nested scripts (dash, bash), a
  # killed nested script, "exit 3", SIGTERM to MigrationLauncher.
  for stop in stop-set-e stop-syntax-dash stop-syntax-bash stop-killed stop-exit-3 stop-sigterm; do
    run_scenario "$stop" postgresql "$stop"
  done
  run_scenario postgresql-linux-clients postgresql linux-clients
  # Three tables loaded at once; the slow one fails after the others were announced.
  run_scenario postgresql-parallel postgresql parallel
  run_report_page
}

# The MariaDB imports (status 0 cut short among them), then the checks that need no server.
lane_other() {
  run_scenario mariadb-failures mariadb failures
  run_scenario mariadb-clean mariadb clean
  run_scenario stop-exit-0 mariadb stop-exit-0
  run_scenario mariadb-linux-clients mariadb linux-clients
  run_log_page
  run_ends
  run_replay
}

# The two lanes use different servers and folders and mostly wait (on clients, Chromium, the
# program's end), so they run at once. Each lane's output is shown whole when it has ended, and
# its totals are added to the suite's.
for lane in postgresql other; do
  (
    passed=0 failed=0
    "lane_$lane"
    echo "$passed $failed" >"$work/lane-$lane.totals"
  ) >"$work/lane-$lane.out" 2>&1 &
  lanes+=($!)
done
wait "${lanes[@]}"
for lane in postgresql other; do
  cat "$work/lane-$lane.out"
  if read -r lane_passed lane_failed <"$work/lane-$lane.totals"; then
    passed=$((passed + lane_passed))
    failed=$((failed + lane_failed))
  else
    fail "the $lane lane did not finish"
  fi
done
finish
