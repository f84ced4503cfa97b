#!/bin/sh
# Import step into PostgreSQL that loads three tables at once, each by its own psql started in
# the background. The first one is slow and fails last, after the other two were announced and
# launched: its error names its own file. The @...@ values are filled in by the end-to-end suite.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PSQL=@PSQL@
PGPASSWORD=@PASSWORD@
export PGPASSWORD
cd "$(dirname "$0")" || exit 1

# Announces a table and starts its load. The launch line is echoed by this shell before the
# client starts, so it comes before anything the client prints.
start_load() {
  echo "Importing Table $1 to PostgreSQL"
  echo "$PWD>$PSQL -h $HOST -U $USER_NAME -p $PORT -d $DB --file load/$1.sql"
  "$PSQL" -X -q -h "$HOST" -U "$USER_NAME" -p "$PORT" -d "$DB" --file "load/$1.sql" &
}

echo "Importing database objects to PostgreSQL"

start_load public.orders
start_load public.products
start_load public.customers
wait

echo "Import script movarin_all.sh finished"
