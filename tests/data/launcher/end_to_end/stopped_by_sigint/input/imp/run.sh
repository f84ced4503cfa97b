#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
sleep 300 &
echo $$ > group.txt
printf 'partial line without feed'
: > ready
sleep 300
