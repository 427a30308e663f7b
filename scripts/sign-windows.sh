#!/usr/bin/env bash
# Signs Windows files (DLLs, programs, installers) in place with an Authenticode signature made by
# osslsigncode, when a code-signing certificate is given:
#   KQ_SIGN_PKCS12          the PKCS #12 file with the certificate, its chain and its private key
#   KQ_SIGN_PASSWORD_FILE   a file holding its password (preferred), or
#   KQ_SIGN_PASSWORD        the password itself
#   KQ_SIGN_TIMESTAMP_URL   optional: an RFC 3161 time-stamping server, so that signatures stay
#                           valid after the certificate expires
# Usage: sign-windows.sh FILE...      sign-windows.sh --configured (status 0 when set up)
# The password reaches osslsigncode through a pipe (-readpass), never on a command line, and
# nothing of it is written to a file or a log.
set -euo pipefail
if [ "${1:-}" = --configured ]; then
  [ -n "${KQ_SIGN_PKCS12:-}" ]
  exit
fi
if [ -z "${KQ_SIGN_PKCS12:-}" ]; then
  echo "sign-windows: KQ_SIGN_PKCS12 is not set: the files stay unsigned"
  exit 0
fi
[ -r "$KQ_SIGN_PKCS12" ] || { echo "sign-windows: cannot read KQ_SIGN_PKCS12 ($KQ_SIGN_PKCS12)" >&2; exit 1; }
if [ -n "${KQ_SIGN_PASSWORD_FILE:-}" ]; then
  password=$(<"$KQ_SIGN_PASSWORD_FILE")
else
  password=${KQ_SIGN_PASSWORD:-}
fi
timestamp=()
if [ -n "${KQ_SIGN_TIMESTAMP_URL:-}" ]; then
  timestamp=(-ts "$KQ_SIGN_TIMESTAMP_URL")
fi
for file in "$@"; do
  signed="$file.signed"
  # printf is a shell builtin: the password appears in no process's arguments. osslsigncode gets
  # an environment without it.
  if ! output=$(env -u KQ_SIGN_PASSWORD osslsigncode sign -pkcs12 "$KQ_SIGN_PKCS12" \
      -readpass <(printf '%s' "$password") -h sha256 -n "KQCSP For ORV v2.0" "${timestamp[@]}" \
      -in "$file" -out "$signed" 2>&1); then
    rm -f "$signed"
    echo "sign-windows: signing $file failed: $output" >&2
    exit 1
  fi
  mv "$signed" "$file"
done
echo "sign-windows: signed $# file(s) with $(basename "$KQ_SIGN_PKCS12")"
