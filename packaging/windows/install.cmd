@echo off
rem Registers zolmcom.dll for every program on this machine, from the folder
rem this script lies in: the x86 DLL with the 32-bit regsvr32 (SysWOW64 on
rem 64-bit Windows) and, on 64-bit Windows, the x64 DLL with the 64-bit
rem regsvr32 (System32). Registration writes below HKEY_LOCAL_MACHINE, so it
rem needs a command prompt run as administrator. The registry records the
rem DLLs' full paths: keep this folder where it is, and run uninstall.cmd from
rem it before moving or deleting it.
setlocal
set "here=%~dp0"

call :need_administrator
if errorlevel 1 exit /b 5
call :find_regsvr32
if errorlevel 1 exit /b 1

set failed=0
call :register x86 "%regsvr32_x86%" "%here%x86\zolmcom.dll"
if errorlevel 1 set failed=1
if defined regsvr32_x64 (
  call :register x64 "%regsvr32_x64%" "%here%x64\zolmcom.dll"
  if errorlevel 1 set failed=1
)
if %failed%==1 (
  echo install.cmd: not every DLL was registered; see the lines above.
  exit /b 1
)
echo install.cmd: zolmcom is registered: zolmcom.PaletteLoader and Zolmcom.FontFile can be created.
exit /b 0

:register
rem %1 the half, %2 the regsvr32 to use, %3 the DLL.
if not exist "%~3" (
  echo install.cmd: %1: %~3 is missing: unpack the whole zip first.
  exit /b 1
)
if not exist "%~2" (
  echo install.cmd: %1: %~2 is missing: this Windows cannot run %1 programs.
  exit /b 1
)
"%~2" /s "%~3"
if errorlevel 1 (
  echo install.cmd: %1: registering %~3 with %~2 failed ^(exit code %errorlevel%^).
  exit /b 1
)
echo install.cmd: %1: registered %~3
exit /b 0

:need_administrator
rem "net session" and "fltmc" answer only to administrators.
net session >nul 2>&1 && exit /b 0
fltmc >nul 2>&1 && exit /b 0
echo install.cmd: administrator rights are needed: registering changes keys below
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
echo install.cmd: this package holds x86 and x64 DLLs; this Windows runs on %PROCESSOR_ARCHITECTURE%.
exit /b 1
:windows32
set "regsvr32_x86=%SystemRoot%\System32\regsvr32.exe"
exit /b 0
:windows64
set "regsvr32_x86=%SystemRoot%\SysWOW64\regsvr32.exe"
set "regsvr32_x64=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "regsvr32_x64=%SystemRoot%\Sysnative\regsvr32.exe"
exit /b 0
