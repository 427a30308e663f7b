#!/usr/bin/env bash
# Builds the installer from packaging/kqcsp.wxs:  build-msi.sh VERSION BIN_DIR OUTPUT.msi BIN_DIR_X86
# BIN_DIR holds the 64-bit build, BIN_DIR_X86 the 32-bit one (the mingw-x86 preset's bin folder).
# wixl writes a REG_BINARY value as text ("##x00"), so the Registry table is mended afterwards:
# "#x00" is the installer's notation for binary data.
set -euo pipefail
version=$1
bin_dir=$2
output=$3
bin_dir_x86=${4:-}
[ -f "$bin_dir_x86/kqcsp.dll" ] || {
  echo "build-msi: no 32-bit build in '$bin_dir_x86' (bash scripts/build.sh mingw-x86)" >&2
  exit 1
}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl finds the sources relative to the current folder only: both builds are linked into one.
ln -s "$(cd "$bin_dir" && pwd)" "$work/x64"
ln -s "$(cd "$bin_dir_x86" && pwd)" "$work/x86"
(cd "$work" && wixl -a x64 -D Version="$version" -D BinDir=x64 -D BinDir32=x86 -o "$work/kqcsp.msi" "$here/kqcsp.wxs") 2>"$work/wixl.log" || {
  cat "$work/wixl.log" >&2
  exit 1
}
(cd "$work" && msiinfo export kqcsp.msi Registry >Registry.idt)
sed -i 's/\t##x\([0-9A-Fa-f]*\)\t/\t#x\1\t/' "$work/Registry.idt"
(cd "$work" && msibuild kqcsp.msi -i Registry.idt)
# A rebuild of the same version replaces the installed one instead of being installed beside it
# (WiX's AllowSameVersionUpgrades, which wixl lacks): the upgrade's maximum version becomes
# inclusive (msidbUpgradeAttributesVersionMaxInclusive, 0x200, beside MigrateFeatures, 0x1).
# (Attributes is part of the table's key, so the table is exported, mended and imported.)
(cd "$work" && msiinfo export kqcsp.msi Upgrade >Upgrade.idt)
sed -i 's/\t1\t\(\t*WIX_UPGRADE_DETECTED\)/\t513\t\1/' "$work/Upgrade.idt"
grep -q '	513	.*WIX_UPGRADE_DETECTED' "$work/Upgrade.idt" || {
  echo "build-msi: no upgrade row to make inclusive" >&2
  exit 1
}
(cd "$work" && msibuild kqcsp.msi -i Upgrade.idt)
bash "$here/maker-guard.sh" "$work/kqcsp.msi" "$bin_dir" "$bin_dir_x86"
mv "$work/kqcsp.msi" "$output"
