#!/bin/sh
# Import step that stops at its first failed step (set -e): psql cannot connect to a database
# that does not exist and exits with 2, so the objects after it are never imported and the
# script's finished line is never printed. The @...@ values are filled in by the end-to-end suite.
set -e
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@
PGPASSWORD=@PASSWORD@
export PGPASSWORD
MISSING_DB=@MISSING_DB@
cd "$(dirname "$0")"

# Echoes the command as a shell prompt line would, runs it, and echoes psql's exit code.
run_psql() {
  echo "$PWD>$PSQL -h $HOST -U $USER_NAME -p $PORT -d $2 --file $1"
  "$PSQL" -h "$HOST" -U "$USER_NAME" -p "$PORT" -d "$2" --file "$1"
  echo "Exit code = $?"
}

echo "Importing database objects to PostgreSQL"

sh ./tables.sh "$@"

echo "Importing View public.v_customers to PostgreSQL"
run_psql views/public.v_customers.sql "$DB"

echo "Importing Table public.audit_log to PostgreSQL"
run_psql tables/public.audit_log.sql "$MISSING_DB"

echo "Importing Function public.order_total to PostgreSQL"
run_psql functions/public.order_total.sql "$DB"

echo "Import script movarin_all.sh finished"
