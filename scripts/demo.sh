#!/usr/bin/env bash
# The README's main job: installs what is missing, builds the provider, the soft key and kqtool,
# and runs `kqtool demo`, which shows the whole system at work on a soft key in a temporary
# directory and leaves nothing behind. The exit status is the demo's: 0 when every step passed.
#
#   scripts/demo.sh [ARGS]             # Linux: build/ (the default preset), then build/bin/kqtool
#   scripts/demo.sh --windows [ARGS]   # Windows under Wine: build-mingw/ (the mingw preset), a
#                                      # fresh prefix with the build deployed, then kqtool.exe
#
# Other arguments are passed to kqtool (e.g. --json).
set -euo pipefail
cd "$(dirname "$0")/.."

windows=0
args=()
for arg in "$@"; do
  if [ "$arg" = "--windows" ]; then
    windows=1
  else
    args+=("$arg")
  fi
done

bash scripts/install-deps.sh

log=$(mktemp)
prefix=""
# The prefix's wineserver keeps running for quick starts; it goes when the demo ends.
trap 'rm -f "$log"; [ -z "$prefix" ] || WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true' EXIT

if [ "$windows" = 1 ]; then
  preset=mingw
  folder=build-mingw
else
  preset=default
  folder=build
fi
echo "demo: building the provider, the soft key and kqtool in $folder/"
if ! { cmake --preset "$preset" &&
  cmake --build --preset "$preset" --target kqcsp KQORV_Zantu KQORVUI kqsim kqtool; } >"$log" 2>&1; then
  cat "$log"
  echo "demo: the build failed" >&2
  exit 1
fi

status=0
if [ "$windows" = 1 ]; then
  echo "demo: deploying the build into a fresh Wine prefix, $folder/wine-prefix"
  if ! prefix=$(bash scripts/wine-prefix.sh "$folder" 2>"$log"); then
    cat "$log"
    echo "demo: the Wine prefix could not be made" >&2
    exit 1
  fi
  WINEPREFIX="$prefix" bash scripts/wine-run.sh "$folder/bin/kqtool.exe" "${args[@]}" demo || status=$?
else
  "$folder/bin/kqtool" "${args[@]}" demo || status=$?
fi
exit "$status"
