#!/bin/sh
# Nested import script: a table, a re-run of DDL written to be re-run (only NOTICE lines), then a
# table whose "if" is never closed: the shell stops the script there with a syntax error.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@

run_psql() {
  set -x
  "$PSQL" -h "$HOST" -U "$USER_NAME" -p "$PORT" -d "$DB" --file "$1"
  { set +x; } 2>/dev/null
}

echo "Starting import script tables.sh"

echo "Importing Table public.customers to PostgreSQL"
run_psql tables/public.customers.sql
echo "Importing data using the psql"
run_psql data/public.customers.sql

echo "Importing Table staging.customers to PostgreSQL"
run_psql tables/staging.customers.sql
run_psql tables/staging.customers.sql

echo "Importing Table public.products to PostgreSQL"
if [ -f tables/public.products.sql ]; then
  run_psql tables/public.products.sql

echo "Import script tables.sh finished"
