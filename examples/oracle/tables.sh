#!/bin/sh
# Nested import script: two tables, their data loads with SQL*Loader.
echo "Starting import script tables.sh"

echo "Importing Table HR.REGIONS to Oracle"
cat <<'OUT'
/opt/import>sqlplus hr/hr@ORCL @tables/hr.regions.sql

SQL*Plus: Release 19.0.0.0.0 - Production on Sat Dec 5 20:00:01 2026
Version 19.3.0.0.0

Connected to:
Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production

Table created.

Disconnected from Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production
OUT
echo "Importing data using the SQL*Loader"
cat <<'OUT'
/opt/import>sqlldr userid=hr/hr@ORCL control=hr.regions.ctl log=hr.regions.log rows=1000 readsize=1048576 bindsize=1048576

SQL*Loader: Release 19.0.0.0.0 - Production on Sat Dec 5 20:00:02 2026
Version 19.3.0.0.0

Path used:      Conventional
Commit point reached - logical record count 4

Table HR.REGIONS:
  4 Rows successfully loaded.
OUT

echo "Importing Table HR.JOBS to Oracle"
cat <<'OUT'
/opt/import>sqlplus hr/hr@ORCL @tables/hr.jobs.sql

Connected to:
Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production

Table created.

Disconnected from Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production
OUT
echo "Importing data using the SQL*Loader"
cat <<'OUT'
/opt/import>sqlldr userid=hr/hr@ORCL control=hr.jobs.ctl log=hr.jobs.log rows=1000 readsize=1048576 bindsize=1048576

SQL*Loader: Release 19.0.0.0.0 - Production on Sat Dec 5 20:00:03 2026
Version 19.3.0.0.0

SQL*Loader-941: Error during describe of table HR.JOBS
ORA-04043: object HR.JOBS does not exist
OUT

echo "Import script tables.sh finished"
