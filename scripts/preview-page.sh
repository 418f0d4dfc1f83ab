#!/bin/sh
# Renders the installer page's screens (welcome, welcome with options, progress, done, error)
# at the installer's content size, 820 x 540, to build/page-preview/*.png, from the real
# template filled by setup's own fill-in code, in headless Chromium.
#   scripts/preview-page.sh          pictures in build/page-preview/
#   scripts/preview-page.sh --docs   also small 256-colour copies in docs/screenshots/
set -eu
cd "$(dirname "$0")/.."
[ -f build/host/CMakeCache.txt ] || cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host --target fill_page -j2 >/dev/null
if [ ! -f tests/page/node_modules/playwright-core/package.json ]; then
  npm ci --prefix tests/page --no-audit --no-fund
fi
ZORDELO_FILL_PAGE="$PWD/build/host/tests/page/fill_page" node tests/page/preview.mjs build/page-preview
if [ "${1:-}" = "--docs" ]; then
  mkdir -p docs/screenshots
  for f in build/page-preview/*.png; do
    convert "$f" -dither FloydSteinberg -colors 256 -strip "PNG8:docs/screenshots/page-$(basename "$f")"
  done
  ls -l docs/screenshots/page-*.png
fi
