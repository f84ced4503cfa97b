#!/bin/sh
# Import step into PostgreSQL with psql called the ways Linux scripts call it: options in another
# order after PGPASSWORD=, "-c \copy", a file on standard input, under timeout. A nested script
# re-runs DDL that only prints NOTICE lines and ends in a syntax error. Two steps between the
# clients fail: gunzip on a truncated file and a program built for another system. The @...@
# values are filled in by the end-to-end suite.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@
cd "$(dirname "$0")" || exit 1

echo "Importing database objects to PostgreSQL"

PGPASSWORD=@PASSWORD@ sh ./tables.sh "$@"

echo "Importing Table public.orders to PostgreSQL"
set -x
PGPASSWORD=@PASSWORD@ "$PSQL" -X -q -d "$DB" -h "$HOST" -p "$PORT" -U "$USER_NAME" --file=tables/public.orders.sql
{ set +x; } 2>/dev/null

PGPASSWORD=@PASSWORD@
export PGPASSWORD

echo "Importing data using the psql"
set -x
"$PSQL" -X -h "$HOST" -p "$PORT" -U "$USER_NAME" -d "$DB" -c "\\copy public.orders from data/public.orders.csv with csv"
{ set +x; } 2>/dev/null

# Echoes a command as a shell prompt line would, then runs it with the file on standard input.
run_stdin() {
  echo "$PWD>$PSQL -h $HOST -p $PORT -U $USER_NAME -d $DB < $1"
  "$PSQL" -X -h "$HOST" -p "$PORT" -U "$USER_NAME" -d "$DB" <"$1"
}

echo "Importing View public.v_customers to PostgreSQL"
run_stdin views/public.v_customers.sql

echo "Importing View public.v_orders to PostgreSQL"
run_stdin views/public.v_orders.sql

echo "Importing Table public.events to PostgreSQL"
run_stdin tables/public.events.sql
echo "Importing data using the psql"
set -x
"$PSQL" -X -h "$HOST" -p "$PORT" -U "$USER_NAME" -d "$DB" -c "\\copy public.events from data/public.events.csv with csv"
{ set +x; } 2>/dev/null

echo "Importing Table public.audit_log to PostgreSQL"
# The server notices the client is gone within 100 ms, so the database is free again at once.
SLOW="SET client_connection_check_interval = 100; SELECT pg_sleep(20)"
echo "$PWD>timeout 1 $PSQL -h $HOST -p $PORT -U $USER_NAME -d $DB -c \"$SLOW\""
timeout 1 "$PSQL" -X -h "$HOST" -p "$PORT" -U "$USER_NAME" -d "$DB" -c "$SLOW"
echo "Exit code = $?"

echo "Importing Table public.settings to PostgreSQL"
# A download cut short: gzip finds the end of its input too early.
printf 'name,value\n' | gzip | head -c 12 >data/public.settings.csv.gz
gunzip -c data/public.settings.csv.gz >data/public.settings.csv

echo "Importing Table public.order_items to PostgreSQL"
# A loader copied from another system: the kernel does not take it as a program.
printf '\177ELF\002\001\001' >order_items_loader
chmod 755 order_items_loader
./order_items_loader tables/public.order_items.sql

echo "Import script movarin_all.sh finished"
