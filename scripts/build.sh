#!/usr/bin/env bash
# Configures and builds one preset (default, asan, tsan, fuzz, coverage, mingw or mingw-x86).
# The mingw preset's installer carries the 32-bit build too, so mingw builds mingw-x86 first.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
if [ "$preset" = mingw ]; then
  bash scripts/build.sh mingw-x86
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
