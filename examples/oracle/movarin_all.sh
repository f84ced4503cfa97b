#!/bin/sh
# Example import step into Oracle. It replays what sqlplus and SQL*Loader print during a real
# import, so the example runs without a database: the command echo lines ("folder>command") are
# the ones a Windows command shell shows when it runs the converter's import script.
echo "Importing database objects to Oracle"

sh ./tables.sh "$@"

echo "Importing Table HR.EMPLOYEES to Oracle"
cat <<'OUT'
/opt/import>sqlplus hr/hr@ORCL @tables/hr.employees.sql

SQL*Plus: Release 19.0.0.0.0 - Production on Sat Dec 5 20:00:00 2026
Version 19.3.0.0.0

Connected to:
Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production

  CREATE TABLE HR.EMPLOYEES (ID NUMBER, DEPT_ID NUMBER REFERENCES HR.DEPTS(ID)),
                                                                  *
ERROR at line 1:
ORA-00942: table or view does not exist

Disconnected from Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production
OUT

# The converter marks objects it added itself (not in the source database) this way.
echo "Additional object"
echo "Importing Function HR.GET_SALARY to Oracle"
cat <<'OUT'
/opt/import>sqlplus hr/hr@ORCL @functions/hr.get_salary.sql

Connected to:
Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production

Warning: Function created with compilation errors.

Disconnected from Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production
OUT

echo "Importing View HR.EMP_DETAILS to Oracle"
cat <<'OUT'
/opt/import>sqlplus hr/hr@ORCL @views/hr.emp_details.sql

Connected to:
Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production

ORA-00904: "E"."DEPT_NAME": invalid identifier

Disconnected from Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production
OUT

echo "Import script movarin_all.sh finished"
