#!/bin/sh
echo "Importing database objects to Oracle"
echo "Importing Table EMP to SCOTT"
echo ran > ran.txt
cat <<'END'
  CREATE TABLE EMP (ID NUMBER REFERENCES DEPTS(ID)),
                                            *
ERROR at line 1:
ORA-00942: table or view does not exist
END
echo "Importing Table DEPT to SCOTT"
echo "Table created."
echo "Importing Table BONUS to SCOTT"
echo "ORA-00904: invalid identifier"
