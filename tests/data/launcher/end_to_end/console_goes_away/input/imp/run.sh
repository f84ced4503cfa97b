#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
echo "ORA-00942: table or view does not exist"
sleep 1
echo "Table created."
grep SigIgn /proc/$$/status > sigign.txt
echo "Import script run.sh finished"
