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
# Keep the prefix's wineserver up between tests: one that ends after its usual 3 s idle time can
# reset the connection of a program starting at that very moment ("wine client error ...
# recvmsg: Connection reset by peer"). When this starts a fresh server, a first program with
# none of our handles starts Wine's background processes, which live as long as the server:
# started by a test, they would hold its output pipe open until the server ends.
exec 8>"$state/.server-lock"
flock 8
if wineserver -p60 </dev/null >/dev/null 2>&1 8>&-; then
  wine cmd /c exit </dev/null >/dev/null 2>&1 8>&- || true
fi
exec 8>&-
exec wine "$@"
