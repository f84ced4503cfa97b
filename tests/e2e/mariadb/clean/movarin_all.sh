#!/bin/sh
# Import step into MariaDB where every object imports cleanly. The @...@ values are filled in by
# the end-to-end suite.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PASSWORD=@PASSWORD@
MYSQL=@MYSQL@
cd "$(dirname "$0")" || exit 1

run_mysql() {
  echo "$PWD>$MYSQL --host=$HOST --user=$USER_NAME --password=$PASSWORD --port=$PORT --force -vvv $DB < $1 >> import.log"
  "$MYSQL" --host="$HOST" --user="$USER_NAME" --password="$PASSWORD" --port="$PORT" --force -vvv \
    "$DB" <"$1" >>import.log
}

echo "Importing database objects to MariaDB"

sh ./tables.sh "$@"

echo "Importing View ml_db.v_customers to MariaDB"
run_mysql views/ml_db.v_customers.sql

echo "Importing Event ml_db.ev_purge to MariaDB"
run_mysql events/ml_db.ev_purge.sql

echo "Import script movarin_all.sh finished"
