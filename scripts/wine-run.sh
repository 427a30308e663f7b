#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the prefix that scripts/wine-prefix.sh
# prepared (WINEPREFIX, default build-mingw/wine-prefix), with Wine's own messages silenced and no
# Mono or Gecko installer. CTest runs the Windows suite through it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$here/build-mingw/wine-prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "wine-run: no Wine prefix at $WINEPREFIX (run scripts/wine-prefix.sh)" >&2
  exit 1
fi
# Debian's 64-bit loader first: with wine32 installed, plain `wine` runs built-in programs as 32-bit.
wine_bin=/usr/lib/wine/wine64
[ -x "$wine_bin" ] || wine_bin=$(command -v wine64 || command -v wine)
exec "$wine_bin" "$@"
