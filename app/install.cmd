@echo off
rem Runs ocxsetup.exe from this folder, as deployment tools should, and keeps the line that it
rem writes when a run fails: each run appends to %SystemRoot%\Logs\ocxsetup.log a line with the
rem date and time it started, the program's line, if any, and a line with the date, time and exit
rem status it ended with. Ends with the program's own exit status.
setlocal DisableDelayedExpansion
rem Only the system and the administrators can write there: in ProgramData any user could make
rem the file first, then read, change or refuse what is written to it.
set "log=%SystemRoot%\Logs\ocxsetup.log"
if not exist "%SystemRoot%\Logs\" md "%SystemRoot%\Logs" 2>NUL
rem Where the file cannot be written (a run without administrator rights), the program runs all
rem the same, its line unkept: a redirection that fails would not start it at all.
cmd /d /c exit 0
>>"%log%" echo %DATE% %TIME% started
if errorlevel 1 set "log=NUL"
"%~dp0ocxsetup.exe" 2>>"%log%"
set "status=%ERRORLEVEL%"
>>"%log%" echo %DATE% %TIME% ended with status %status%
exit /b %status%
