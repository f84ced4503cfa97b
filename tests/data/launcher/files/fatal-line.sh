#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
echo ran > ran.txt
echo "FATAL: lookup table missing"
