#!/usr/bin/env bash
# The main job: builds setup.exe and uninstall.exe for Windows, then, in a fresh Wine prefix,
# installs silently, shows what the installer did, uninstalls silently and shows that it is gone.
# Our stand-in PowerShell (Wine has only a stub) carries out the shortcut scripts.
set -euo pipefail
cd "$(dirname "$0")/.."
# Wine makes Unix file names in the locale's character set, so without a UTF-8 locale (a minimal
# Debian sets none) a folder such as "Játék" cannot be made.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
bash scripts/install-deps.sh

cmake --preset mingw >/dev/null
cmake --build --preset mingw -j2 --target setup uninstall fixture_standin_powershell >/dev/null
bin=$PWD/build/mingw/bin
fixtures=$PWD/build/mingw/fixtures

state=$PWD/build/demo
rm -rf "$state"
echo "== Making a fresh Wine prefix in $state"
scripts/wine-prefix.sh "$state"
export HOME=$state/home WINEPREFIX=$state/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"
export WINEPATH=$(winepath -w "$fixtures")
user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
target="$user_dir/AppData/Local/Programs/Zordelo"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zordelo'
# reg writes to a pipe in the OEM code page (437 in this prefix).
wine_reg() { wine reg "$@" 2>/dev/null | iconv -f CP437 -t UTF-8 | tr -d '\r'; }

echo
echo "== setup.exe --silent   ($(stat -c %s "$bin/setup.exe") bytes)"
set +e; wine "$bin/setup.exe" --silent; code=$?; set -e
echo "exit code: $code"
echo "-- install folder: ${target#$WINEPREFIX/drive_c/}"
ls -l "$target" 2>/dev/null | tail -n +2 || echo "(missing)"
cmp -s "$target/uninstall.exe" "$bin/uninstall.exe" && echo "uninstall.exe is byte for byte the built uninstaller"
echo "-- uninstall entry"
wine_reg query "$key" || echo "(missing)"
echo "-- shortcuts (the silent mode asks for none)"
for f in "$user_dir/Desktop/Zordeló.lnk" "$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Zordeló.lnk"; do
  if [ -e "$f" ]; then echo "   present: ${f#"$WINEPREFIX"/drive_c/}"; else echo "   absent:  ${f#"$WINEPREFIX"/drive_c/}"; fi
done

echo
echo "== uninstall.exe --silent"
set +e; wine "$target/uninstall.exe" --silent; code=$?; set -e
echo "exit code: $code"
if wine reg query "$key" >/dev/null 2>&1; then echo "uninstall entry: still there"; else echo "uninstall entry: gone"; fi
for i in $(seq 1 30); do
  [ -e "$target" ] || break
  sleep 0.5
done
if [ -e "$target" ]; then echo "install folder: still there after 15 s"; else echo "install folder: removed about $((i / 2)) s after the uninstaller ended"; fi
wineserver -k 2>/dev/null || true
