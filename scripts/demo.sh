#!/usr/bin/env bash
# The README's main job: installs what is missing, builds the provider, the soft key and kqtool
# (build/, the default preset), and runs `kqtool demo`, which shows the whole system at work on a
# soft key in a temporary directory and leaves nothing behind. The exit status is the demo's:
# 0 when every step passed. Arguments are passed to kqtool (e.g. --json).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "demo: building the provider, the soft key and kqtool in build/"
if ! { cmake --preset default && cmake --build --preset default --target kqcsp KQORV_Zantu KQORVUI kqsim kqtool; } >"$log" 2>&1; then
  cat "$log"
  echo "demo: the build failed" >&2
  exit 1
fi

status=0
build/bin/kqtool "$@" demo || status=$?
exit "$status"
