@echo off
rem Removes what install.cmd registered: the classes, ProgIDs and type library
rem of the x86 DLL (32-bit regsvr32 /u) and, on 64-bit Windows, of the x64 DLL
rem (64-bit regsvr32 /u), both from the folder this script lies in. Needs a
rem command prompt run as administrator, like install.cmd.
setlocal
set "here=%~dp0"

call :need_administrator
if errorlevel 1 exit /b 5
call :find_regsvr32
if errorlevel 1 exit /b 1

set failed=0
call :unregister x86 "%regsvr32_x86%" "%here%x86\zolmcom.dll"
if errorlevel 1 set failed=1
if defined regsvr32_x64 (
  call :unregister x64 "%regsvr32_x64%" "%here%x64\zolmcom.dll"
  if errorlevel 1 set failed=1
)
if %failed%==1 (
  echo uninstall.cmd: not every DLL was unregistered; see the lines above.
  exit /b 1
)
echo uninstall.cmd: zolmcom is no longer registered; this folder can be deleted.
exit /b 0

:unregister
rem %1 the half, %2 the regsvr32 to use, %3 the DLL.
if not exist "%~3" (
  echo uninstall.cmd: %1: %~3 is missing: it is needed to remove its registration.
  exit /b 1
)
if not exist "%~2" (
  echo uninstall.cmd: %1: %~2 is missing: this Windows cannot run %1 programs.
  exit /b 1
)
"%~2" /s /u "%~3"
if errorlevel 1 (
  echo uninstall.cmd: %1: unregistering %~3 with %~2 failed ^(exit code %errorlevel%^).
  exit /b 1
)
echo uninstall.cmd: %1: unregistered %~3
exit /b 0

:need_administrator
rem "net session" and "fltmc" answer only to administrators.
net session >nul 2>&1 && exit /b 0
fltmc >nul 2>&1 && exit /b 0
echo uninstall.cmd: administrator rights are needed: unregistering changes keys below
echo HKEY_LOCAL_MACHINE. Right-click "Command Prompt", choose "Run as
echo administrator", and run this script again. Nothing was changed.
exit /b 1

:find_regsvr32
rem 64-bit Windows keeps the 32-bit regsvr32 in SysWOW64 and the 64-bit one in
rem System32; a 32-bit command prompt sees System32 redirected and reaches the
rem 64-bit one as Sysnative.
set "regsvr32_x64="
if defined PROCESSOR_ARCHITEW6432 goto windows64
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" goto windows64
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" goto windows32
echo uninstall.cmd: this package holds x86 and x64 DLLs; this Windows runs on %PROCESSOR_ARCHITECTURE%.
exit /b 1
:windows32
set "regsvr32_x86=%SystemRoot%\System32\regsvr32.exe"
exit /b 0
:windows64
set "regsvr32_x86=%SystemRoot%\SysWOW64\regsvr32.exe"
set "regsvr32_x64=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "regsvr32_x64=%SystemRoot%\Sysnative\regsvr32.exe"
exit /b 0
