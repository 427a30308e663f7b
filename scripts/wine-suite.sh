#!/usr/bin/env bash
# Runs the Windows suite under Wine on a virtual screen, as scripts/test.sh does:
#   scripts/wine-suite.sh [CTEST ARGUMENTS...]         # e.g. -R win_dialogs
#   scripts/wine-suite.sh --x86 [CTEST ARGUMENTS...]   # the 32-bit build (mingw-x86 preset)
# It deploys the mingw build into a fresh prefix (scripts/wine-prefix.sh), starts the prefix's
# desktop on Xvfb's screen with no output of its own (started by the first test instead, it would
# inherit that test's output pipe and keep CTest waiting), runs CTest's mingw preset, and stops the
# prefix's wineserver at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
preset=mingw
if [ "${1:-}" = "--x86" ]; then
  # The 32-bit build deployed as on 64-bit Windows: DLLs in SysWOW64, the 32-bit registry view.
  preset=mingw-x86
  shift
fi
prefix=$(bash scripts/wine-prefix.sh "build-$preset")
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c \
  'preset=$1; shift; WINEPREFIX="$0" scripts/wine-run.sh regedit /S nul >/dev/null 2>&1 </dev/null
   ctest --preset "$preset" "$@"' \
  "$prefix" "$preset" -j "$jobs" "$@"
