sh ./tables.sh "$@"
./settings.sh "$@"
bash data/load.sh; . ./env.sh
PSQL=x sh -c 'echo hi'
"$PSQL" -f x.sql
/usr/bin/psql -f x.sql
