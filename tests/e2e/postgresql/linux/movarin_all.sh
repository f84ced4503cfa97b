#!/bin/sh
# Import step into PostgreSQL where steps fail the way they fail on Linux: a client that is not
# installed, a nested script that is missing, one that is not executable, a client killed by a
# signal and psql's own client-side error. The @...@ values are filled in by the end-to-end suite.
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

echo "Importing View public.v_customers to PostgreSQL"
run_psql views/public.v_customers.sql

echo "Importing Table public.orders to PostgreSQL"
(PSQL=psql-15 && run_psql tables/public.orders.sql)

echo "Importing Table public.order_items to PostgreSQL"
sh ./order_items.sh "$@"

echo "Importing Table public.settings to PostgreSQL"
./settings.sh "$@"

echo "Importing Function public.order_total to PostgreSQL"
run_psql functions/public.order_total.sql

echo "Importing Function public.order_tax to PostgreSQL"
(PSQL=$PWD/killed/psql && run_psql functions/public.order_tax.sql)

echo "Importing Table public.events to PostgreSQL"
run_psql tables/public.events.sql
echo "Importing data using the psql"
run_psql data/public.events.sql

echo "Import script movarin_all.sh finished"
