#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
echo "Table created."
echo "last own line"
kill -KILL $$
