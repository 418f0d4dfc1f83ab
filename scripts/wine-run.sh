#!/usr/bin/env bash
# Runs a Windows program under Wine in the test prefix kept in the state folder $1
# (made by wine-prefix.sh on first use). Used as CTest's emulator for the mingw build.
set -euo pipefail
state=$(realpath -m "$1")
shift
"$(dirname "$0")/wine-prefix.sh" "$state"
export HOME=$state/home WINEPREFIX=$state/prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"
exec wine "$@"
