#!/bin/sh
# Nested import script: tables and their data. All clean.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PASSWORD=@PASSWORD@
MYSQL=@MYSQL@

run_mysql() {
  echo "$PWD>$MYSQL --host=$HOST --user=$USER_NAME --password=$PASSWORD --port=$PORT --force -vvv $DB < $1 >> import.log"
  "$MYSQL" --host="$HOST" --user="$USER_NAME" --password="$PASSWORD" --port="$PORT" --force -vvv \
    "$DB" <"$1" >>import.log
}

echo "Starting import script tables.sh"

echo "Importing Table ml_db.customers to MariaDB"
run_mysql tables/ml_db.customers.sql
echo "Importing data using the mysql"
run_mysql data/ml_db.customers.sql

echo "Importing Table ml_db.products to MariaDB"
run_mysql tables/ml_db.products.sql
echo "Importing data using the mysql"
run_mysql data/ml_db.products.sql

echo "Import script tables.sh finished"
