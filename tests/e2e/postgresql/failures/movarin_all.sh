#!/bin/sh
# Import step into PostgreSQL in the style a converter leaves behind on Linux: one psql call per
# object file, its exit code echoed after it, tables imported by a nested script. Some objects
# fail on purpose: a missing relation, a missing function, a syntax error, a warning, a missing
# database and a refused connection. The @...@ values are filled in by the end-to-end suite.
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
  echo "$PWD>$PSQL -h $HOST -U $USER_NAME -p $1 -d $2 --file $3"
  "$PSQL" -h "$HOST" -U "$USER_NAME" -p "$1" -d "$2" --file "$3"
  echo "Exit code = $?"
}

echo "Importing database objects to PostgreSQL"

sh ./tables.sh "$@"

echo "Importing View public.v_orders to PostgreSQL"
run_psql "$PORT" "$DB" views/public.v_orders.sql

echo "Importing View public.v_customers to PostgreSQL"
run_psql "$PORT" "$DB" views/public.v_customers.sql

echo "Importing Function public.order_total to PostgreSQL"
run_psql "$PORT" "$DB" functions/public.order_total.sql

echo "Importing Function public.order_tax to PostgreSQL"
run_psql "$PORT" "$DB" functions/public.order_tax.sql

echo "Importing StoredProcedure public.archive_orders to PostgreSQL"
run_psql "$PORT" "$DB" procedures/public.archive_orders.sql

echo "Importing Sequence public.order_seq to PostgreSQL"
run_psql "$PORT" "$DB" sequences/public.order_seq.sql

echo "Importing Table public.audit_log to PostgreSQL"
run_psql "$PORT" @MISSING_DB@ tables/public.audit_log.sql

echo "Importing Table public.events to PostgreSQL"
run_psql @CLOSED_PORT@ "$DB" tables/public.events.sql

echo "Import script movarin_all.sh finished"
