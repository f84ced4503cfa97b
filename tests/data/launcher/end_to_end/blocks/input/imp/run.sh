#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
i=0; lines=''
while [ $i -lt 25 ]; do lines="${lines}block line $i
"; i=$((i+1)); done
printf "$lines"
printf 'first-half-'; sleep 0.3; printf 'second-half\n'
head -c 1048576 /dev/zero | tr '\0' 'x'; echo
printf 'a NUL\0 is dropped\n'
printf 'unterminated last line'
