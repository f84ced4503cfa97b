#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
echo "Table created."
echo "$*" > args.txt
