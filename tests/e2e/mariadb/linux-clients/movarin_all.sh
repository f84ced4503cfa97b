#!/bin/sh
# Import step into MariaDB where the client's own messages decide: DDL re-run with its notes
# shown, a data load whose warnings are shown, a "source" of a file that is missing and an option
# the client does not know. The @...@ values are filled in by the end-to-end suite.
HOST=@HOST@
PORT=@PORT@
DB=@DB@
USER_NAME=@USER@
PASSWORD=@PASSWORD@
MYSQL=@MYSQL@
cd "$(dirname "$0")" || exit 1

# Echoes the command as a shell prompt line would, then runs it; the client's own output goes to
# the console, so the warnings and notes that "\W" in a file turns on are seen.
run_mysql() {
  echo "$PWD>$MYSQL --host=$HOST --user=$USER_NAME --password=$PASSWORD --port=$PORT --force -vvv $DB < $1"
  "$MYSQL" --host="$HOST" --user="$USER_NAME" --password="$PASSWORD" --port="$PORT" --force -vvv \
    "$DB" <"$1"
}

echo "Importing database objects to MariaDB"

echo "Importing Table ml_db.customers to MariaDB"
run_mysql tables/ml_db.customers.sql
run_mysql tables/ml_db.customers.rerun.sql
echo "Importing data using the mysql"
run_mysql data/ml_db.customers.sql

echo "Importing Table ml_db.products to MariaDB"
run_mysql tables/ml_db.products.sql
echo "Importing data using the mysql"
run_mysql data/ml_db.products.shown.sql

echo "Importing Table ml_db.audit_log to MariaDB"
run_mysql tables/ml_db.audit_log.parts.sql

echo "Importing View ml_db.v_customers to MariaDB"
echo "$PWD>$MYSQL --host=$HOST --user=$USER_NAME --password=$PASSWORD --port=$PORT --force -vvv --max-allowed-packt=64M $DB < views/ml_db.v_customers.sql"
"$MYSQL" --host="$HOST" --user="$USER_NAME" --password="$PASSWORD" --port="$PORT" --force -vvv \
  --max-allowed-packt=64M "$DB" <views/ml_db.v_customers.sql

echo "Import script movarin_all.sh finished"
