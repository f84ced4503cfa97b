echo Importing View v to X
call "tables.sh"
