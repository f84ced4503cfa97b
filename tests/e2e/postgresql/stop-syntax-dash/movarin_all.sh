#!/bin/sh
# Import step whose nested script dies of a syntax error (dash) before its finished line; the
# main script goes on and prints its own. The @...@ values are filled in by the end-to-end suite.
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

echo "Importing Function public.order_total to PostgreSQL"
run_psql functions/public.order_total.sql

sh ./tables.sh "$@"

echo "Import script movarin_all.sh finished"
