#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
printf 'Table created.\0\nORA-00942: table or view does not exist'
