#!/usr/bin/env bash
# install-deps.sh [--tests]: installs what is missing, from Debian's archive and the npm registry
# only. Without arguments: what building both programs and the demo need (scripts/demo.sh).
# With --tests: that and everything the test suite needs as well (scripts/test.sh).
# Safe to run again: it installs only what is missing. Run as root (or with sudo available).
set -euo pipefail
cd "$(dirname "$0")/.."
tests=0
case "${1:-}" in
  "") ;;
  --tests) tests=1 ;;
  *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
esac

packages=(
  # the Windows cross build (configuring it reads googletest's sources too) and the payload
  # packing (libdeflate's gzip program makes the Deflate data)
  cmake make python3 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nlohmann-json3-dev googletest
  libdeflate-tools
  # running the Windows programs
  wine wine64
)
if [ "$tests" = 1 ]; then
  packages+=(
    # host build and unit tests, with sanitizers
    g++ zlib1g-dev pkg-config git
    # Windows programs on a screen of their own
    xvfb xauth xdotool
    # page tests in a real browser engine (node and npm are added below when missing; the npm
    # registry is reached over HTTPS)
    chromium ca-certificates
    # fuzzing, the payload layout's Info-ZIP cross-check, release signing
    clang libclang-rt-14-dev unzip osslsigncode openssl
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "$tests" = 1 ]; then
  # A machine may bring its own Node.js (with npm); Debian's packages (Node.js 18) serve the
  # others, and the page tests need nothing newer.
  command -v node >/dev/null 2>&1 || missing+=(nodejs)
  command -v npm >/dev/null 2>&1 || missing+=(npm)
fi
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Browser-test tooling (playwright-core drives Debian's chromium; it downloads no browser).
if [ "$tests" = 1 ] && ! npm ls --prefix tests/page playwright-core >/dev/null 2>&1; then
  npm ci --prefix tests/page --no-audit --no-fund >/dev/null
fi
