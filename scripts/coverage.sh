#!/usr/bin/env bash
# Line and branch coverage of the product's and the soft key's code (src/, sim/, cli/) by the
# Linux suite: builds the coverage preset, runs every test once and prints gcovr's summary;
# build-coverage/coverage.html holds the report by file.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v gcovr >/dev/null || { echo "coverage.sh needs gcovr (apt-get install gcovr)" >&2; exit 2; }
find build-coverage -name '*.gcda' -delete 2>/dev/null || true
bash scripts/build.sh coverage
ctest --preset coverage -j "$(nproc 2>/dev/null || echo 2)" >/dev/null || true
gcovr --root . --filter 'src/' --filter 'sim/' --filter 'cli/' --exclude-throw-branches \
  --html-details build-coverage/coverage.html --print-summary build-coverage >/dev/null
gcovr --root . --filter 'src/' --filter 'sim/' --filter 'cli/' --exclude-throw-branches \
  --print-summary build-coverage | tail -3
