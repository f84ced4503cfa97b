#!/bin/sh
# Import step into MariaDB that ends with status 0 before its last object and its finished line,
# as a script cut short when it was copied would. One object fails on the way. The @...@ values
# are filled in by the end-to-end suite.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PASSWORD=@PASSWORD@
MYSQL=@MYSQL@
cd "$(dirname "$0")" || exit 1

# Echoes the command as a shell prompt line would, then runs it.
run_mysql() {
  echo "$PWD>$MYSQL --host=$HOST --user=$USER_NAME --password=$PASSWORD --port=$PORT --force -vvv $DB < $1 >> import.log"
  "$MYSQL" --host="$HOST" --user="$USER_NAME" --password="$PASSWORD" --port="$PORT" --force -vvv \
    "$DB" <"$1" >>import.log
}

echo "Importing database objects to MariaDB"

sh ./tables.sh "$@"

echo "Importing View ml_db.v_orders to MariaDB"
run_mysql views/ml_db.v_orders.sql
exit 0

echo "Importing View ml_db.v_customers to MariaDB"
run_mysql views/ml_db.v_customers.sql

echo "Import script movarin_all.sh finished"
