@echo off
rem Runs ocxsetup.exe from this folder, as deployment tools should, and keeps the line it writes:
rem one line per run, with the date, time and exit status, appended to %ProgramData%\ocxsetup.log.
rem Ends with the program's own exit status.
setlocal DisableDelayedExpansion
set "log=%ProgramData%\ocxsetup.log"
rem The line is caught in a file new to this run: one of that name that is there already may be
rem anyone's, and is neither read nor written (the program then runs with its line unkept).
set "line=%ProgramData%\ocxsetup-%RANDOM%%RANDOM%.line"
if exist "%line%" set "line=NUL"
"%~dp0ocxsetup.exe" 2>"%line%"
set "status=%ERRORLEVEL%"
rem The line is written from the loop's variable, never parsed as part of a command: a path in
rem it with an ampersand or an angle bracket in a name stays text.
set "told="
for /f "usebackq delims=" %%L in ("%line%") do (
    >>"%log%" echo %DATE% %TIME% exit %status%: %%L
    set "told=1"
)
if not defined told >>"%log%" echo %DATE% %TIME% exit %status%
if not "%line%"=="NUL" del "%line%"
exit /b %status%
