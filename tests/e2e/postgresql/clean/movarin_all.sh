#!/bin/sh
# Import step into PostgreSQL where every object imports cleanly. The @...@ values are filled in
# by the end-to-end suite.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@
PGPASSWORD=@PASSWORD@
export PGPASSWORD
cd "$(dirname "$0")" || exit 1

run_psql() {
  echo "$PWD>$PSQL -h $HOST -U $USER_NAME -p $PORT -d $DB --file $1"
  "$PSQL" -h "$HOST" -U "$USER_NAME" -p "$PORT" -d "$DB" --file "$1"
  echo "Exit code = $?"
}

echo "Importing database objects to PostgreSQL"

sh ./tables.sh "$@"

echo "Importing View public.v_customers to PostgreSQL"
run_psql views/public.v_customers.sql

echo "Importing Function public.order_total to PostgreSQL"
run_psql functions/public.order_total.sql

echo "Import script movarin_all.sh finished"
