#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
echo "Table created."
: > started
i=0; until grep -qs 'in use' ../../second_trace/stderr.txt && grep -qs 'in use' ../../second_log/stdout.txt || [ $i -ge 300 ]; do sleep 0.1; i=$((i+1)); done
echo "Import script run.sh finished"
