@echo off
rem Opens vellicor on the tone bank beside this file, writing the default
rem bank with plessard first when there is none. On a failure the console
rem stays open until a key is pressed, so that the message can be read.
setlocal
cd /d "%~dp0"
if exist pcm\test.0.pcm goto play
plessard.exe >nul
if %errorlevel% neq 0 goto failed
:play
vellicor.exe pcm/test
if %errorlevel% neq 0 goto failed
exit /b 0

:failed
set status=%errorlevel%
echo.
echo play.cmd: stopped with status %status%.
pause
exit /b %status%
