#!/usr/bin/env bash
# Every test: installs what is missing, builds and runs the whole suite under the default and the
# asan presets, cross-builds the Windows DLLs, and checks the export tables of both platforms.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/install-deps.sh

bash scripts/build.sh default
ctest --preset default -j "$jobs"

bash scripts/build.sh asan
ctest --preset asan -j "$jobs"

bash scripts/build.sh mingw

bash scripts/check-exports.sh
