@echo off
echo Importing Table dbo.orders to SQL Server
rem echo Importing Table dbo.x to SQL Server
call "tables.bat" %*
call other.cmd
call :sub
