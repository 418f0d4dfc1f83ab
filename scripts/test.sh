#!/usr/bin/env bash
# The whole test suite, from a clean clone: installs what is missing, then builds and runs
#  1. the host unit tests of the pure core, and the page tests in headless Chromium;
#  2. the same unit tests with AddressSanitizer and UBSan;
#  3. the Windows build: the unit tests, the Win32 tests and the end-to-end suites under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
# Wine makes Unix file names in the locale's character set, so without a UTF-8 locale (a minimal
# Debian sets none) a folder such as "Játék" cannot be made.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
bash scripts/install-deps.sh --tests

jobs=2
for preset in host host-asan mingw; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs" >/dev/null
  echo "== $preset: test"
  ctest --preset "$preset" -j"$jobs"
done

# The Windows tests' prefix keeps its wineserver for a minute after the last test; end it now.
WINEPREFIX=$PWD/build/mingw/wine/prefix wineserver -k 2>/dev/null || true
