#!/usr/bin/env bash
# Before any installation: the provider in the build folder, no device library on the search path
# of a program that runs from another folder. The provider must find the soft key's libraries
# beside itself, so the program lists the key by its media id.
#   folder_check.sh BUILD_BIN_DIR DEPS_DIR
set -euo pipefail
bin_dir=$1
. "$(dirname "$0")/own_prefix.sh"
start_own_prefix "$2"
mkdir -p "$work/elsewhere" "$work/keys"
cp "$bin_dir/kqtool.exe" "$work/elsewhere/"
KQSIM_ROOT=$(win_path "$work/keys")
export KQSIM_ROOT
wine "$bin_dir/kqsim.exe" create --family 73 --pin 12345678 >/dev/null
cd "$work/elsewhere"
output=$(wine kqtool.exe --library "$(win_path "$bin_dir/kqcsp.dll")" media-ids --family 73 2>&1)
echo "$output"
grep -q "730000000001" <<<"$output"
