#!/bin/sh
# Runs the page tests in headless Chromium. Installs the npm packages from package-lock.json
# first when they are missing (npm ci), and stops with a clear message when a tool is absent.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
command -v node >/dev/null 2>&1 || { echo "page tests: node is missing (Debian packages nodejs and npm)" >&2; exit 1; }
chromium=${ZORDELO_CHROMIUM:-/usr/bin/chromium}
[ -x "$chromium" ] || { echo "page tests: $chromium is missing (Debian package chromium)" >&2; exit 1; }
if [ ! -f "$here/node_modules/playwright-core/package.json" ]; then
  echo "page tests: installing playwright-core (npm ci --prefix tests/page)"
  command -v npm >/dev/null 2>&1 || { echo "page tests: npm is missing (Debian package npm)" >&2; exit 1; }
  npm ci --prefix "$here" --no-audit --no-fund
fi
exec node --test --test-concurrency=1 "$here"/*.test.mjs
