#!/bin/sh
# Nested import script: two tables and their data, all clean.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@
PGPASSWORD=@PASSWORD@
export PGPASSWORD

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
echo "Importing data using the psql"
run_psql data/public.products.sql

echo "Import script tables.sh finished"
