@echo off
rem Runs ocxsetup.exe from this folder, as deployment tools should, and keeps the line that it
rem writes when a run fails: each run appends to %SystemRoot%\Logs\ocxsetup.log a line with the
rem date and time it started, the program's line, if any, and a line with the date, time and exit
rem status it ended with. Ends with the program's own exit status.
setlocal DisableDelayedExpansion
rem Only the system and the administrators can write there: in ProgramData any user could make
rem the file first, then read, change or refuse what is written to it.
set "log=%SystemRoot%\Logs\ocxsetup.log"
set "program=%~dp0ocxsetup.exe"
if not exist "%SystemRoot%\Logs\" md "%SystemRoot%\Logs" 2>NUL
rem A redirection that fails runs nothing: where the log cannot be opened (no administrator
rem rights, another run writing to it), the run goes ahead without it.
set "ran="
call :run 2>>"%log%"
if not defined ran call :run
exit /b %status%

:run
set "ran=1"
>&2 echo %DATE% %TIME% started
"%program%"
set "status=%ERRORLEVEL%"
>&2 echo %DATE% %TIME% ended with status %status%
exit /b
