#!/usr/bin/env bash
# Installs what building and testing need, from Debian's archive and the npm registry only.
# Safe to run again: it installs only what is missing. Run as root (or with sudo available).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # host build and unit tests
  cmake make g++ git python3 googletest nlohmann-json3-dev zlib1g-dev pkg-config
  # Windows cross build
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  # running the Windows programs
  wine wine64 xvfb xauth xdotool
  # page tests in a real browser engine (node and npm are added below when missing)
  chromium
  # fuzzing, payload benchmark, release signing
  clang libclang-rt-14-dev unzip osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Some machines bring their own Node.js (with npm); Debian's packages serve the others.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Browser-test tooling (playwright-core drives Debian's chromium; it downloads no browser).
if [ -f tests/page/package-lock.json ] && [ ! -d tests/page/node_modules ]; then
  npm ci --prefix tests/page --no-audit --no-fund >/dev/null
fi
