#!/usr/bin/env bash
# Builds the installer from packaging/kqcsp.wxs:
#   build-msi.sh VERSION BIN_DIR OUTPUT.msi BIN_DIR_X86
# BIN_DIR holds the 64-bit build, BIN_DIR_X86 the 32-bit one (the mingw-x86 preset's bin folder).
#  1. The files that the package names are copied from both folders (x64/ and x86/ of a stage),
#     and signed there when a signing certificate is given (scripts/sign-windows.sh); the build
#     folders keep the unsigned build.
#  2. wixl builds the package. It writes a REG_BINARY value as text ("##x00"), so the Registry
#     table is mended ("#x00" is the installer's notation for binary data), and it leaves the File
#     table's versions empty, so they are filled from the files' version resources. A rebuild of
#     the same version is made an upgrade, packaging/maker-guard.sh adds the soft key's guard
#     (by the soft key's version range), and
#     packaging/remember-settings.sh keeps the installed settings through a repair or an upgrade.
#  3. Reproducible: the product code and the package code come from the version and the staged
#     files (so a rebuild with other files, a signed one over an unsigned one, is another product
#     that replaces the installed one), and every date (files in the cabinet, the package's
#     summary) is SOURCE_DATE_EPOCH (scripts/source-date-epoch.sh), with faketime for wixl's own
#     clock.
#  4. The package is signed, when the files were.
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
scripts="$here/../scripts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
epoch=$(bash "$scripts/source-date-epoch.sh")

mkdir -p "$work/files/x64" "$work/files/x86"
for variable in BinDir BinDir32; do
  from=$bin_dir to=x64
  [ "$variable" = BinDir32 ] && from=$bin_dir_x86 to=x86
  for name in $(grep -o "Source=\"\$(var.$variable)/[^\"]*\"" "$here/kqcsp.wxs" | sed 's|.*/||; s|"$||'); do
    cp "$from/$name" "$work/files/$to/"
  done
done
signing=false
if bash "$scripts/sign-windows.sh" --configured; then
  signing=true
  bash "$scripts/sign-windows.sh" "$work"/files/*/*
else
  echo "build-msi: KQ_SIGN_PKCS12 is not set: the files and the installer stay unsigned"
fi
touch -d "@$epoch" "$work"/files/*/*

uuid() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, sys.argv[1])).upper())' "$1"; }
contents=$(cd "$work/files" && find . -type f | LC_ALL=C sort | xargs sha256sum -- | sha256sum | cut -c1-64)
product_code=$(uuid "kqcsp:msi:product:$version:x64:$contents")
package_code=$(uuid "kqcsp:msi:package:$version:x64:$contents")
at_epoch=()
if command -v faketime >/dev/null; then
  at_epoch=(env TZ=UTC faketime "$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')")
else
  echo "build-msi: faketime not found: the package's dates are today's (not reproducible)"
fi

# wixl finds the sources relative to the current folder only.
(cd "$work/files" && "${at_epoch[@]}" wixl -a x64 -D Version="$version" -D ProductCode="$product_code" \
  -D BinDir=x64 -D BinDir32=x86 -o "$work/kqcsp.msi" "$here/kqcsp.wxs") 2>"$work/wixl.log" || {
  cat "$work/wixl.log" >&2
  exit 1
}
(cd "$work" && msiinfo export kqcsp.msi Registry >Registry.idt && msiinfo export kqcsp.msi File >File.idt)
# The older product goes before anything is installed. Removed later, after the new files were
# costed, an older file of the same version would stay (Windows Installer keeps a file whose
# version is not lower than the package's).
msiinfo export "$work/kqcsp.msi" InstallExecuteSequence | awk -F'\t' '
  $1 == "RemoveExistingProducts" { remove = $3 } $1 == "InstallInitialize" { initialize = $3 }
  END { if (!(remove && remove < initialize)) { print "build-msi: RemoveExistingProducts must come before InstallInitialize" > "/dev/stderr"; exit 1 } }'
sed -i 's/\t##x\([0-9A-Fa-f]*\)\t/\t#x\1\t/' "$work/Registry.idt"
python3 "$here/mend-file-table.py" "$work/File.idt" "$work/files" "$here/kqcsp.wxs"
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
"${at_epoch[@]}" bash "$here/maker-guard.sh" "$work/kqcsp.msi"
"${at_epoch[@]}" bash "$here/remember-settings.sh" "$work/kqcsp.msi"
(cd "$work" && "${at_epoch[@]}" msibuild kqcsp.msi -i Registry.idt -i File.idt -i Upgrade.idt \
  -s "KQCSP For ORV v2.0 cryptographic service provider" "KQVN" "x64;1033" "{$package_code}")
if $signing; then
  bash "$scripts/sign-windows.sh" "$work/kqcsp.msi" >/dev/null
fi
mv "$work/kqcsp.msi" "$output"
