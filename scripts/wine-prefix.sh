#!/usr/bin/env bash
# Makes a Wine prefix for our tests in $1/prefix (with $1/home as HOME), unless it is there.
# Windows 10 reported, real user folders instead of links into $HOME, no crash dialogs,
# no Mono/Gecko/menu-builder work, and unmanaged windows so Xvfb runs need no window manager.
set -euo pipefail
state=$(realpath -m "$1")
prefix=$state/prefix
[ -f "$prefix/.zordelo-ready" ] && exit 0
mkdir -p "$state/home"
exec 9>"$state/.lock"
flock 9
[ -f "$prefix/.zordelo-ready" ] && exit 0
rm -rf "$prefix"
export HOME=$state/home WINEPREFIX=$prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"
unset DISPLAY
wineboot -i >/dev/null 2>&1
wineserver -w
for l in "$prefix/drive_c/users/$(id -un)"/*; do
  if [ -L "$l" ]; then rm "$l" && mkdir "$l"; fi
done
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d "" /f >/dev/null
wine winecfg -v win10 >/dev/null 2>&1
wineserver -w
touch "$prefix/.zordelo-ready"
