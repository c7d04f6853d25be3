@echo off
rem Runs the installer as install.cmd, or the uninstaller as uninstall.cmd (the same script),
rem from this folder, as deployment tools should, and keeps every run's lines: each run appends
rem to %SystemRoot%\Logs\ocxsetup.log a line with the date and time it started, the program's own
rem line, if any, and a line with the date, time and exit status it ended with. Ends with the
rem program's own exit status.
setlocal EnableExtensions DisableDelayedExpansion
rem A folder path too long for cmd leaves this empty: the program would be looked for on the
rem search path instead.
set "here=%~dp0"
if not defined here (
    >&2 echo This script's folder cannot be read, its path may be too long: nothing was done.
    exit /b 1
)
set "program="
if /i "%~n0"=="install" set "program=ocxsetup.exe"
if /i "%~n0"=="uninstall" set "program=ocxremove.exe"
if not defined program (
    >&2 echo %~nx0 must be named install.cmd or uninstall.cmd: nothing was done.
    exit /b 1
)
rem Only the system and the administrators can write there: in ProgramData any user could make
rem the file first, then read, change or refuse what is written to it.
set "logs=%SystemRoot%\Logs"
set "log=%logs%\ocxsetup.log"
if not exist "%logs%\" md "%logs%" 2>NUL
rem Each run writes its lines in a folder of its own, then appends them to the log at once: the
rem log is held only while lines are appended, and two runs at once each keep theirs.
call :newrun
if not defined run goto unlogged
>"%run%\started" echo %DATE% %TIME% %~n0 started
call :append "%run%\started"
"%here%%program%" 2>"%run%\lines"
set "status=%ERRORLEVEL%"
>>"%run%\lines" echo %DATE% %TIME% %~n0 ended with status %status%
call :append "%run%\lines"
rd /s /q "%run%" 2>NUL
exit /b %status%

rem Where no folder can be made (no administrator rights), the lines go to standard error.
:unlogged
>&2 echo %DATE% %TIME% %~n0 started
"%here%%program%"
set "status=%ERRORLEVEL%"
>&2 echo %DATE% %TIME% %~n0 ended with status %status%
exit /b %status%

rem md makes the folder or fails: no two runs share one.
:newrun
set /a "tries=0"
:newrunagain
set /a "tries+=1"
set "run=%logs%\ocxsetup.%RANDOM%.%tries%.run"
md "%run%" 2>NUL && exit /b 0
if %tries% lss 20 goto newrunagain
set "run="
exit /b 1

rem Appends the file to the log, one run at a time: a run holds the folder "appending" while it
rem appends (md makes it or fails), and others wait; one held far longer than an append takes was
rem left by a run that was cut off. Where the log cannot be written (a folder has its name, it is
rem held open, it is not ours to write), the lines go to standard error instead. Only commands of
rem cmd's own: a program found by the environment could be one that the user chose.
:append
for /l %%t in (1,1,1000) do md "%log%.appending" 2>NUL && goto appending
:appending
set "appended="
if not exist "%log%\*" if exist "%log%" copy /b "%log%" + "%~1" "%log%" >NUL 2>NUL && set "appended=1"
if not exist "%log%\*" if not exist "%log%" copy /b "%~1" "%log%" >NUL 2>NUL && set "appended=1"
if not defined appended >&2 type "%~1"
rd "%log%.appending" 2>NUL
exit /b
