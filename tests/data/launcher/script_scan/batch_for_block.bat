for %%f in (*.sql) do (
  call load.bat %%f
)
call after.bat
