:again
echo Importing View v to X
goto again
