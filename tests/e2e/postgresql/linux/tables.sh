#!/bin/sh
# Nested import script: two tables and their data, then a table whose client is missing. Its client calls are shown by the
# shell's own trace (set -x) instead of an echo.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@
PGPASSWORD=@PASSWORD@
export PGPASSWORD

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

echo "Importing Table public.products to PostgreSQL"
run_psql tables/public.products.sql
echo "Importing data using the psql"
run_psql data/public.products.sql

echo "Importing Table public.audit to PostgreSQL"
PSQL=psql-14 run_psql tables/public.audit.sql

echo "Import script tables.sh finished"
