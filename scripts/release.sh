#!/usr/bin/env bash
# release.sh [OUTPUT_DIR]: builds setup.exe and uninstall.exe from scratch in a clean build folder
# and writes them, with a SHA256SUMS list, into OUTPUT_DIR (default out/release).
#
# Inputs (environment):
#   ZORDELO_GAME_EXE            the game executable to pack (default: the stand-in game)
#   SOURCE_DATE_EPOCH           time stamp of the payload entries (default: the last commit's time)
#   ZORDELO_SIGN_PKCS12         PKCS#12 file to sign both programs with (default: no signing)
#   ZORDELO_SIGN_PASSWORD       its password
#   ZORDELO_SIGN_TIMESTAMP_URL  RFC 3161 time-stamp server (optional)
# The same inputs and SOURCE_DATE_EPOCH give byte-identical unsigned files.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$src/out/release}")
build=${ZORDELO_RELEASE_BUILD:-$src/build/release}

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH
if [ -n "$(git -C "$src" status --porcelain 2>/dev/null)" ]; then
  echo "warning: the work tree has uncommitted changes; this build is not of a commit" >&2
fi

rm -rf "$build"
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DZORDELO_TESTS=OFF -DZORDELO_GAME_EXE="${ZORDELO_GAME_EXE:-}" \
  -DZORDELO_SIGN_PKCS12="${ZORDELO_SIGN_PKCS12:-}" -DZORDELO_SIGN_TIMESTAMP_URL="${ZORDELO_SIGN_TIMESTAMP_URL:-}" >/dev/null
cmake --build "$build" -j2 --target setup uninstall >/dev/null

mkdir -p "$out"
cp "$build/bin/setup.exe" "$build/bin/uninstall.exe" "$out/"
(cd "$out" && sha256sum setup.exe uninstall.exe >SHA256SUMS)

game=${ZORDELO_GAME_EXE:-$build/assets/standin_game/Zordelo.exe}
[ -n "${ZORDELO_GAME_EXE:-}" ] || echo "note: no ZORDELO_GAME_EXE given, the stand-in game was packed"
echo "game packed:  $game"
echo "  size:       $(stat -c %s "$game") bytes"
echo "  sha256:     $(sha256sum "$game" | cut -d' ' -f1)"
echo "signed:       $([ -n "${ZORDELO_SIGN_PKCS12:-}" ] && echo yes || echo no)"
echo "SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"
echo "written to $out:"
(cd "$out" && cat SHA256SUMS)
