#!/usr/bin/env bash
# Before any installation: the provider in the build folder, no device library on the search path
# of a program that runs from another folder. The provider must find the soft key's libraries
# beside itself, so the program lists the key by its media id.
#   tests/win_folder_check.sh BUILD_BIN_DIR DEPS_DIR
set -euo pipefail
bin_dir=$1
template="$2/wine-prefix-template"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp -a "$template" "$WINEPREFIX"
mkdir -p "$work/elsewhere" "$work/keys"
cp "$bin_dir/kqtool.exe" "$work/elsewhere/"
export KQSIM_ROOT="Z:${work//\//\\}\\keys"
wine "$bin_dir/kqsim.exe" create --family 73 --pin 12345678 >/dev/null
cd "$work/elsewhere"
output=$(wine kqtool.exe --library "Z:${bin_dir//\//\\}\\kqcsp.dll" media-ids --family 73 2>&1)
echo "$output"
grep -q "730000000001" <<<"$output"
