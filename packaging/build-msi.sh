#!/usr/bin/env bash
# Builds the installer from packaging/kqcsp.wxs:  build-msi.sh VERSION BIN_DIR OUTPUT.msi
# wixl writes a REG_BINARY value as text ("##x00"), so the Registry table is mended afterwards:
# "#x00" is the installer's notation for binary data.
set -euo pipefail
version=$1
bin_dir=$2
output=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl finds the sources relative to the current folder only.
(cd "$bin_dir" && wixl -a x64 -D Version="$version" -D BinDir=. -o "$work/kqcsp.msi" "$here/kqcsp.wxs") 2>"$work/wixl.log" || {
  cat "$work/wixl.log" >&2
  exit 1
}
(cd "$work" && msiinfo export kqcsp.msi Registry >Registry.idt)
sed -i 's/\t##x\([0-9A-Fa-f]*\)\t/\t#x\1\t/' "$work/Registry.idt"
(cd "$work" && msibuild kqcsp.msi -i Registry.idt)
mv "$work/kqcsp.msi" "$output"
