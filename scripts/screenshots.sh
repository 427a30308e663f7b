#!/usr/bin/env bash
# Renders the provider's dialogs and a message box under Wine and Xvfb, in each of the three
# languages, into docs/screenshots/ (PNG). Each picture is one window, shown by the test helper
# show_dialog.exe through the same CryptoAPI calls a bank's program makes, against a soft key.
#
#   scripts/wine-prefix.sh build-mingw && scripts/screenshots.sh [BUILD_DIR]
#
# Needs the mingw build (show_dialog.exe), its Wine prefix, xvfb-run and ImageMagick's import.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:-$here/build-mingw}" && pwd)
out="$here/docs/screenshots"
export WINEPREFIX="$build_dir/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX/drive_c" ] || { echo "screenshots: run scripts/wine-prefix.sh first" >&2; exit 1; }
mkdir -p "$out"

if [ -z "${KQ_SCREENSHOTS_INNER:-}" ]; then
  exec env KQ_SCREENSHOTS_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build_dir"
fi

# Debian's 64-bit loader first: with wine32 installed, plain `wine` runs built-in programs as 32-bit.
wine_bin=/usr/lib/wine/wine64
[ -x "$wine_bin" ] || wine_bin=$(command -v wine64 || command -v wine)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shot NAME WHAT LANGUAGE: shows the dialog, waits for its rectangle, captures that part of the
# screen once the picture has moved on to the finger, and lets the helper end the dialog.
shot() {
  local name=$1 what=$2 language=$3 rectangle="" pid
  "$wine_bin" "$build_dir/bin/show_dialog.exe" "$what" "$language" 2500 >"$work/$name.txt" 2>&1 &
  pid=$!
  for _ in $(seq 1 600); do
    rectangle=$(head -n 1 "$work/$name.txt" | tr -d '\r')
    [ -n "$rectangle" ] && break
    sleep 0.1
  done
  read -r x y w h <<<"$rectangle" || true
  if [ -z "${h:-}" ]; then
    echo "screenshots: $name: no dialog ($(cat "$work/$name.txt"))" >&2
    wait "$pid" || true
    return 1
  fi
  sleep 0.5
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
  wait "$pid"
  echo "screenshots: $out/$name.png"
}

for language in 2052 1028 1033; do
  shot "dialog-101-$language" countdown "$language"
  shot "dialog-107-$language" warning "$language"
  shot "dialog-102-$language" token "$language"
  shot "dialog-106-$language" key "$language"
  shot "message-box-$language" message "$language"
done
