goto skip
:skip
echo Importing View v to X
goto :eof
