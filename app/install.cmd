@echo off
rem Runs the installer as install.cmd, or the uninstaller as uninstall.cmd (the same script),
rem from this folder, as deployment tools should, and keeps every run's lines: each run adds to
rem %SystemRoot%\Logs\ocxsetup.log a line with the date and time it started, the program's own
rem line, if any, and a line with the date, time and exit status it ended with, both naming the
rem run. Ends with the program's own exit status.
setlocal EnableExtensions DisableDelayedExpansion
rem A variable of these names, which a user may set, would hide cmd's own values.
set "ERRORLEVEL=" & set "RANDOM=" & set "DATE=" & set "TIME="
rem Only the system and the administrators can write there: in ProgramData any user could make
rem the file first, then read, change or refuse what is written to it.
set "logs=%SystemRoot%\Logs"
set "log=%logs%\ocxsetup.log"
if not exist "%logs%\" md "%logs%" 2>NUL
rem Each run writes its lines in a folder of its own, then adds them to the log at once: the log
rem is held only while lines are added, and two runs at once each keep theirs. A run that is cut
rem off leaves its folder, with its lines in it.
call :newrun
set "what="
if /i "%~n0"=="install" set "what=install"
if /i "%~n0"=="uninstall" set "what=uninstall"
if /i "%what%"=="install" set "program=ocxsetup.exe"
if /i "%what%"=="uninstall" set "program=ocxremove.exe"
rem A folder path too long for cmd leaves this empty: the program would be looked for on the
rem search path instead.
set "here=%~dp0"
if not defined here goto nofolder
if not defined what goto misnamed
if not defined run goto unlogged
>"%run%\started" echo %DATE% %TIME% %what% run %id% started
call :append "%run%\started"
"%here%%program%" 2>"%run%\lines"
set "status=%ERRORLEVEL%"
>>"%run%\lines" echo %DATE% %TIME% %what% run %id% ended with status %status%
call :append "%run%\lines"
rd /s /q "%run%" 2>NUL
exit /b %status%

rem Where no folder can be made (no administrator rights), the lines go to standard error.
:unlogged
>&2 echo %DATE% %TIME% %what% started
"%here%%program%"
set "status=%ERRORLEVEL%"
>&2 echo %DATE% %TIME% %what% ended with status %status%
exit /b %status%

:nofolder
call :refuse "This script's folder cannot be read, its path may be too long: nothing was done."
exit /b 1

:misnamed
call :refuse "This script must be named install.cmd or uninstall.cmd: nothing was done."
exit /b 1

rem A run that does not start its program says why, in the log and on standard error.
:refuse
>&2 echo %~1
if not defined run exit /b
>"%run%\lines" echo %DATE% %TIME% run %id%: %~1
call :append "%run%\lines"
rd /s /q "%run%" 2>NUL
exit /b

rem The run's folder, named by its number: md makes it or fails, so no two runs share one (two
rem runs started in the same second draw the same numbers). md's status is read on a line of its
rem own, cleared first by (call ): Wine's cmd runs what follows a failed md's &&, and its md keeps
rem an earlier failure's status when it succeeds.
:newrun
set /a "tries=0"
:newrunagain
set /a "tries+=1"
set "id=%RANDOM%.%tries%"
set "run=%logs%\ocxsetup.%id%.run"
(call )
md "%run%" 2>NUL
if not errorlevel 1 exit /b 0
if %tries% lss 20 goto newrunagain
set "run="
exit /b 1

rem Adds the file's lines to the log, one run at a time: a run holds the folder "appending" while
rem it adds (md makes it or fails), and others wait. One held far longer than adding takes was
rem left by a run that was cut off, and is taken over. The copy is tried again while another
rem program has the log for a moment; where the log cannot be written (a folder has its name, it
rem is not ours to write), the lines go to standard error instead. Only cmd's own commands: a
rem program found by the environment could be one that the user chose. md's status is read as
rem in :newrun.
:append
set "held="
for /l %%t in (1,1,100000) do (
    if not defined held (
        (call )
        md "%log%.appending" 2>NUL
        if not errorlevel 1 set "held=1"
    )
)
if not defined held (
    rd "%log%.appending" 2>NUL
    (call )
    md "%log%.appending" 2>NUL
    if not errorlevel 1 set "held=1"
)
set "appended="
for /l %%t in (1,1,100) do if not defined appended call :appendonce "%~1"
if defined held rd "%log%.appending" 2>NUL
if not defined appended >&2 type "%~1"
exit /b

:appendonce
if exist "%log%\*" exit /b
if exist "%log%" (
    copy /b "%log%" + "%~1" "%log%" >NUL 2>NUL
) else (
    copy /b "%~1" "%log%" >NUL 2>NUL
)
rem The copy's own status, read on a line of its own: Wine's cmd runs what follows a failed
rem copy's && as if it had succeeded, which would drop the lines unsaid.
if not errorlevel 1 set "appended=1"
exit /b
