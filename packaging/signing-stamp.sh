#!/usr/bin/env bash
# Writes what the signing is (KQ_SIGN_PKCS12's path and modification time, or "unsigned") to
# STAMP, and touches STAMP only when that changed, so that the installer is built again exactly
# then. No password goes into it.
#   signing-stamp.sh STAMP
set -euo pipefail
stamp=$1
state=unsigned
if [ -n "${KQ_SIGN_PKCS12:-}" ]; then
  state="$KQ_SIGN_PKCS12 $(stat -c %Y "$KQ_SIGN_PKCS12" 2>/dev/null || echo missing)"
fi
if [ ! -f "$stamp" ] || [ "$(<"$stamp")" != "$state" ]; then
  printf '%s\n' "$state" >"$stamp"
fi
