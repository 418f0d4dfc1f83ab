#!/bin/sh
# Runs the page tests in headless Chromium. Installs the npm packages from package-lock.json
# first when they are missing or not the pinned ones (npm ci), and stops with a clear message
# when a tool is absent. Node.js 18 (Debian 12's) is enough.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
command -v node >/dev/null 2>&1 || { echo "page tests: node is missing (Debian packages nodejs and npm)" >&2; exit 1; }
node -e 'process.exit(Number(process.versions.node.split(".")[0]) >= 18 ? 0 : 1)' ||
  { echo "page tests: Node.js 18 or newer is needed, this is $(node --version)" >&2; exit 1; }
chromium=${ZORDELO_CHROMIUM:-/usr/bin/chromium}
[ -x "$chromium" ] || { echo "page tests: $chromium is missing (Debian package chromium)" >&2; exit 1; }
command -v npm >/dev/null 2>&1 || { echo "page tests: npm is missing (Debian package npm)" >&2; exit 1; }
if ! npm ls --prefix "$here" playwright-core >/dev/null 2>&1; then
  echo "page tests: installing playwright-core (npm ci --prefix tests/page)"
  npm ci --prefix "$here" --no-audit --no-fund
fi
exec node --test --test-concurrency=1 "$here"/*.test.mjs
