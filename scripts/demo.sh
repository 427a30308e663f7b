#!/usr/bin/env bash
# The README's main job: installs what is missing, builds the provider, the soft key and kqtool,
# and runs `kqtool demo`, which shows the whole system at work on a soft key in a temporary
# directory and leaves nothing behind. The exit status is the demo's: 0 when every step passed.
#
#   scripts/demo.sh [ARGS]             # Linux: build/ (the default preset), then build/bin/kqtool
#   scripts/demo.sh --windows [ARGS]   # Windows under Wine: build-mingw/ (the mingw preset), a
#                                      # fresh prefix with the build deployed, then kqtool.exe
#                                      # (on Xvfb's screen when there is no display)
#   scripts/demo.sh --windows --x86    # the same with the 32-bit build: build-mingw-x86/ (the
#                                      # mingw-x86 preset) deployed as on 64-bit Windows, its
#                                      # DLLs in SysWOW64, then the 32-bit kqtool.exe
#
# Other arguments are passed to kqtool (e.g. --json); standard output then holds kqtool's alone.
set -euo pipefail
cd "$(dirname "$0")/.."

windows=0
x86=0
args=()
for arg in "$@"; do
  case "$arg" in
    --windows) windows=1 ;;
    --x86) x86=1 ;;
    *) args+=("$arg") ;;
  esac
done

bash scripts/install-deps.sh >&2

# The provider's dialogs (the key's confirmation waits) need a screen, and Wine's desktop takes the
# one it starts with: without a display the whole Windows run, prefix and all, goes on Xvfb's.
if [ "$windows" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

log=$(mktemp)
prefix=""
# The prefix's wineserver keeps running for quick starts; it and Wine's desktop go when the demo
# ends, before the screen does.
stop_wine() {
  [ -z "$prefix" ] || { WINEPREFIX="$prefix" wineserver -k && WINEPREFIX="$prefix" wineserver -w; } \
    2>/dev/null || true
}
trap 'rm -f "$log"; stop_wine' EXIT

if [ "$windows" = 1 ] && [ "$x86" = 1 ]; then
  preset=mingw-x86
  folder=build-mingw-x86
elif [ "$windows" = 1 ]; then
  preset=mingw
  folder=build-mingw
else
  preset=default
  folder=build
fi
echo "demo: building the provider, the soft key and kqtool in $folder/" >&2
if ! { cmake --preset "$preset" &&
  cmake --build --preset "$preset" --target kqcsp KQORV_Zantu KQORVUI kqsim kqtool; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "demo: the build failed" >&2
  exit 1
fi

status=0
if [ "$windows" = 1 ]; then
  echo "demo: deploying the build into a fresh Wine prefix, $folder/wine-prefix" >&2
  if ! prefix=$(bash scripts/wine-prefix.sh "$folder" 2>"$log"); then
    cat "$log" >&2
    echo "demo: the Wine prefix could not be made" >&2
    exit 1
  fi
  WINEPREFIX="$prefix" bash scripts/wine-run.sh "$folder/bin/kqtool.exe" "${args[@]}" demo ||
    status=$?
else
  "$folder/bin/kqtool" "${args[@]}" demo || status=$?
fi
exit "$status"
