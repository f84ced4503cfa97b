#!/bin/sh
# Nested import script: tables and their data. Fails on purpose with a duplicate key and a
# foreign-key violation during data loads, an existing relation and a missing schema.
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

echo "Importing Table public.orders to PostgreSQL"
run_psql tables/public.orders.sql
echo "Importing data using the psql"
run_psql data/public.orders.sql

echo "Importing Table public.order_items to PostgreSQL"
run_psql tables/public.order_items.sql
echo "Importing data using the psql"
run_psql data/public.order_items.sql

echo "Importing Table public.settings to PostgreSQL"
run_psql tables/public.settings.sql

echo "Importing Table sales.invoices to PostgreSQL"
run_psql tables/sales.invoices.sql

echo "Importing Table public.products to PostgreSQL"
run_psql tables/public.products.sql
echo "Importing data using the psql"
run_psql data/public.products.sql

echo "Import script tables.sh finished"
