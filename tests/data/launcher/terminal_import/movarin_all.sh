#!/bin/sh
cd "$(dirname "$0")"
echo "Importing database objects to PostgreSQL"
sh ./tables.sh
echo "Importing View public.v1 to PostgreSQL"
i=0; while [ $i -lt 400 ]; do echo "data row $i of view 1"; i=$((i+1)); done
echo "Importing View public.v2 to PostgreSQL"
i=0; while [ $i -lt 400 ]; do echo "data row $i of view 2"; i=$((i+1)); done
echo "Importing View public.v3 to PostgreSQL"
i=0; while [ $i -lt 400 ]; do echo "data row $i of view 3"; i=$((i+1)); done
echo "Importing View public.v4 to PostgreSQL"
i=0; while [ $i -lt 400 ]; do echo "data row $i of view 4"; i=$((i+1)); done
echo "Importing View public.v5 to PostgreSQL"
i=0; while [ $i -lt 400 ]; do echo "data row $i of view 5"; i=$((i+1)); done
echo "Importing View public.v6 to PostgreSQL"
i=0; while [ $i -lt 400 ]; do echo "data row $i of view 6"; i=$((i+1)); done
echo "Importing View public.v7 to PostgreSQL"
i=0; while [ $i -lt 400 ]; do echo "data row $i of view 7"; i=$((i+1)); done
echo "Importing View public.v8 to PostgreSQL"
i=0; while [ $i -lt 400 ]; do echo "data row $i of view 8"; i=$((i+1)); done
echo 'psql:views/public.v8.sql:3: WARNING:  there is no transaction in progress'
echo 'psql:views/public.v8.sql:4: ERROR:  relation "public.x" does not exist'
echo "Import script movarin_all.sh finished"
