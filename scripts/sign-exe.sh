#!/usr/bin/env bash
# sign-exe.sh FILE PKCS12 [TIMESTAMP_URL]: Authenticode-signs FILE in place (SHA-256) with the
# certificate and key in PKCS12, whose password comes from ZORDELO_SIGN_PASSWORD. The password
# goes to osslsigncode through a private temporary file, never on a command line.
set -euo pipefail
file=$1
p12=$2
ts=${3:-}
passfile=$(mktemp)
trap 'rm -f "$passfile" "$file.signing"' EXIT
chmod 600 "$passfile"
printf '%s' "${ZORDELO_SIGN_PASSWORD:-}" >"$passfile"
args=(sign -pkcs12 "$p12" -readpass "$passfile" -h sha256 -n "Zordeló" -in "$file" -out "$file.signing")
[ -n "$ts" ] && args+=(-ts "$ts")
osslsigncode "${args[@]}" >/dev/null
mv "$file.signing" "$file"
