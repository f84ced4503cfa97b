@echo off
call a
 call b
CALL c
call
callx
	call d
call  e
call f x
call g