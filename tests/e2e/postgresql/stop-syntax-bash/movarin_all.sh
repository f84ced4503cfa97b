#!/bin/bash
# Import step run by bash with set -e: its nested script dies of a syntax error before its
# finished line, and the main script stops there too. The @...@ values are filled in by the
# end-to-end suite.
set -e
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@
PGPASSWORD=@PASSWORD@
export PGPASSWORD
cd "$(dirname "$0")"

# Echoes the command as a shell prompt line would, runs it, and echoes psql's exit code.
run_psql() {
  echo "$PWD>$PSQL -h $HOST -U $USER_NAME -p $PORT -d $DB --file $1"
  "$PSQL" -h "$HOST" -U "$USER_NAME" -p "$PORT" -d "$DB" --file "$1"
  echo "Exit code = $?"
}

echo "Importing database objects to PostgreSQL"

bash ./tables.sh "$@"

echo "Importing View public.v_customers to PostgreSQL"
run_psql views/public.v_customers.sql

echo "Import script movarin_all.sh finished"
