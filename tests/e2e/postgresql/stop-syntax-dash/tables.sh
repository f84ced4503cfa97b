#!/bin/sh
# Nested import script with a syntax error: the "if" below has no "fi", which the shell finds at
# the end of the file, so nothing from the "if" on runs. Two tables are imported before it.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@
PGPASSWORD=@PASSWORD@
export PGPASSWORD

# Echoes the command as a shell prompt line would, runs it, and echoes psql's exit code.
run_psql() {
  echo "$PWD>$PSQL -h $HOST -U $USER_NAME -p $PORT -d $DB --file $1"
  "$PSQL" -h "$HOST" -U "$USER_NAME" -p "$PORT" -d "$DB" --file "$1"
  echo "Exit code = $?"
}

echo "Starting import script tables.sh"

echo "Importing Table public.customers to PostgreSQL"
run_psql tables/public.customers.sql
echo "Importing data using the psql"
run_psql data/public.customers.sql

echo "Importing Table public.products to PostgreSQL"
run_psql tables/public.products.sql

if [ -f data/public.products.sql ]; then
  echo "Importing data using the psql"
  run_psql data/public.products.sql

echo "Importing Table public.orders to PostgreSQL"
run_psql tables/public.orders.sql

echo "Import script tables.sh finished"
