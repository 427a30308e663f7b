#!/usr/bin/env bash
# Builds the installer from packaging/kqcsp.wxs:  build-msi.sh VERSION BIN_DIR OUTPUT.msi
#  1. The files that the package names are copied from BIN_DIR, and signed there when a signing
#     certificate is given (scripts/sign-windows.sh); BIN_DIR keeps the unsigned build.
#  2. wixl builds the package. It writes a REG_BINARY value as text ("##x00"), so the Registry
#     table is mended ("#x00" is the installer's notation for binary data), and it leaves the File
#     table's versions empty, so they are filled from the files' version resources.
#  3. Reproducible: the product code comes from the version, the package code from the version and
#     the files, and every date (files in the cabinet, the package's summary) is
#     SOURCE_DATE_EPOCH (scripts/source-date-epoch.sh), with faketime for wixl's own clock.
#  4. The package is signed, when the files were.
set -euo pipefail
version=$1
bin_dir=$2
output=$3
here=$(cd "$(dirname "$0")" && pwd)
scripts="$here/../scripts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
epoch=$(bash "$scripts/source-date-epoch.sh")

mkdir "$work/files"
for name in $(grep -o 'Source="$(var.BinDir)/[^"]*"' "$here/kqcsp.wxs" | sed 's|.*/||; s|"$||'); do
  cp "$bin_dir/$name" "$work/files/"
done
signing=false
if bash "$scripts/sign-windows.sh" --configured; then
  signing=true
  bash "$scripts/sign-windows.sh" "$work"/files/*
else
  echo "build-msi: KQ_SIGN_PKCS12 is not set: the files and the installer stay unsigned"
fi
touch -d "@$epoch" "$work"/files/*

uuid() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, sys.argv[1])).upper())' "$1"; }
product_code=$(uuid "kqcsp:msi:product:$version:x64")
contents=$(cd "$work/files" && sha256sum -- * | sha256sum | cut -c1-64)
package_code=$(uuid "kqcsp:msi:package:$version:x64:$contents")
at_epoch=()
if command -v faketime >/dev/null; then
  at_epoch=(env TZ=UTC faketime "$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')")
else
  echo "build-msi: faketime not found: the package's dates are today's (not reproducible)"
fi

# wixl finds the sources relative to the current folder only.
(cd "$work/files" && "${at_epoch[@]}" wixl -a x64 -D Version="$version" -D ProductCode="$product_code" \
  -D BinDir=. -o "$work/kqcsp.msi" "$here/kqcsp.wxs") 2>"$work/wixl.log" || {
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
python3 "$here/mend-file-table.py" "$work/File.idt" "$work/files"
(cd "$work" && "${at_epoch[@]}" msibuild kqcsp.msi -i Registry.idt -i File.idt \
  -s "KQCSP For ORV v2.0 cryptographic service provider" "KQVN" "x64;1033" "{$package_code}")
if $signing; then
  bash "$scripts/sign-windows.sh" "$work/kqcsp.msi" >/dev/null
fi
mv "$work/kqcsp.msi" "$output"
