#!/bin/sh
# Import step into MariaDB in the style a converter leaves behind on Linux: one mysql call per
# object file, the client's own output appended to a log and its errors on the console, tables
# imported by a nested script. Some objects fail on purpose: a missing table, a syntax error, an
# unknown database and a refused password. The @...@ values are filled in by the end-to-end suite.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PASSWORD=@PASSWORD@
MYSQL=@MYSQL@
cd "$(dirname "$0")" || exit 1

# Echoes the command as a shell prompt line would, then runs it.
run_mysql() {
  echo "$PWD>$MYSQL --host=$HOST --user=$USER_NAME --password=$2 --port=$PORT --force -vvv $1 < $3 >> import.log"
  "$MYSQL" --host="$HOST" --user="$USER_NAME" --password="$2" --port="$PORT" --force -vvv "$1" \
    <"$3" >>import.log
}

echo "Importing database objects to MariaDB"

sh ./tables.sh "$@"

echo "Importing View ml_db.v_orders to MariaDB"
run_mysql "$DB" "$PASSWORD" views/ml_db.v_orders.sql

echo "Importing View ml_db.v_customers to MariaDB"
run_mysql "$DB" "$PASSWORD" views/ml_db.v_customers.sql

echo "Importing StoredProcedure ml_db.archive_orders to MariaDB"
run_mysql "$DB" "$PASSWORD" procedures/ml_db.archive_orders.sql

echo "Importing Table sales.invoices to MariaDB"
run_mysql sales "$PASSWORD" tables/sales.invoices.sql

echo "Importing Table ml_db.audit_log to MariaDB"
run_mysql "$DB" @WRONG_PASSWORD@ tables/ml_db.audit_log.sql

echo "Import script movarin_all.sh finished"
