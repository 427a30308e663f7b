#!/usr/bin/env bash
# The main job: installs what is missing, builds, and shows the system at work.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh default >/dev/null
if [ -x build/bin/kqtool ]; then
  exec build/bin/kqtool demo
fi
echo "Built so far:"
ls -1 build/lib build/bin 2>/dev/null
