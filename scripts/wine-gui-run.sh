#!/usr/bin/env bash
# Runs a Windows program under Wine with a screen of its own, for tests that open windows:
# a fresh clone of the test prefix kept in the state folder $1 (hard links plus copied registry
# files, so registry changes stay with this run), its own wineserver and its own Xvfb screen
# (1280x1024x24, display number picked by Xvfb). Everything is removed afterwards.
# Used as CTest's emulator for the GUI tests; listing the tests needs no screen.
set -euo pipefail
state=$(realpath -m "$1")
shift
"$(dirname "$0")/wine-prefix.sh" "$state"
export HOME=$state/home
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"
for arg in "$@"; do
  if [ "$arg" = --gtest_list_tests ]; then
    export WINEPREFIX=$state/prefix
    exec wine "$@"
  fi
done

run=$(mktemp -d "$state/gui-XXXXXX")
xvfb=
cleanup() {
  WINEPREFIX=$run/prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$run/prefix wineserver -w 2>/dev/null || true
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$run"
}
trap cleanup EXIT

cp -al "$state/prefix" "$run/prefix"
for f in "$state"/prefix/*.reg; do cp --remove-destination "$f" "$run/prefix/"; done
export WINEPREFIX=$run/prefix

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$run/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 200); do
  [ -s "$run/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
export DISPLAY=:$(head -n1 "$run/display")

set +e
wine "$@"
status=$?
set -e
exit $status
