#!/usr/bin/env bash
# Prints the time that reproducible outputs carry (installer dates, the bill of materials):
# SOURCE_DATE_EPOCH when set, else the time of the checked-out commit, else 0 (no git).
set -euo pipefail
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  echo "$SOURCE_DATE_EPOCH"
else
  git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null || echo 0
fi
