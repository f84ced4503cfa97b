#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
echo "ORA-00942: table or view does not exist"
i=0; while [ $i -lt 3000 ]; do echo "Table created. $i"; i=$((i+1)); done
sleep 60
echo late > late.txt
