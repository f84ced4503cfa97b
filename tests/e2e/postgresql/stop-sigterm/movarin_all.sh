#!/bin/sh
# Import step that is still loading data when MigrationLauncher gets SIGTERM: the end-to-end
# checker sends it once the file "stop-now" appears, which this script creates just before the
# slow load starts. The @...@ values are filled in by the end-to-end suite.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@
PGPASSWORD=@PASSWORD@
export PGPASSWORD
cd "$(dirname "$0")" || exit 1

# Echoes the command as a shell prompt line would, runs it, and echoes psql's exit code.
run_psql() {
  echo "$PWD>$PSQL -h $HOST -U $USER_NAME -p $PORT -d $DB --file $1"
  "$PSQL" -h "$HOST" -U "$USER_NAME" -p "$PORT" -d "$DB" --file "$1"
  echo "Exit code = $?"
}

echo "Importing database objects to PostgreSQL"

sh ./tables.sh "$@"

echo "Importing Table public.events to PostgreSQL"
run_psql tables/public.events.sql
echo "Importing data using the psql"
: >stop-now
run_psql data/public.events.sql

echo "Importing Function public.order_total to PostgreSQL"
run_psql functions/public.order_total.sql

echo "Import script movarin_all.sh finished"
