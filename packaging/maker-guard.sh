#!/usr/bin/env bash
# Adds to an installer built from kqcsp.wxs the checks that wixl cannot express: the soft key
# (feature SoftKey) never replaces nor removes a maker's KQORV_Zantu.dll or KQORVUI.dll in either
# system directory, whether the maker's file was there before us or a driver update put it over
# ours later.
# Whether a file is ours is decided by the file on disk, never by what the installer registered:
# AppSearch finds each of the two names in System64Folder and SystemFolder (SysWOW64), and finds
# it again only when its size (and its version, when it has one) is exactly that of the file this
# package carries. (AppSearch compares no hash; the MsiFileHash table only lets the installer skip
# copying an identical unversioned file, it answers no condition.) Then:
#   - each soft-key component's condition is false where another file has that name, so no path
#     (install, repair, upgrade, uninstall) copies over it or deletes it (Wine's msiexec evaluates
#     the condition again at a repair and an uninstall; Windows Installer only at the first
#     installation, so there an uninstall after a driver update still deletes the maker's file:
#     the README says what else was tried and why it was rejected);
#   - where the feature is to be installed (a new install, an added feature, a major upgrade) or
#     repaired, an error action names the file and its folder and ends the installation before
#     any file is touched. (Windows evaluates a component's condition at its first installation
#     only, so a repair is refused rather than left to the condition.)
# A major upgrade with the soft key over an older build's soft key is refused too, since the older
# file is not this package's: upgrade without the soft key (its older files go with the older
# product), then add it.
#   maker-guard.sh INSTALLER.msi BIN_DIR BIN_DIR_X86   (the folders of the files the package holds)
set -euo pipefail
msi=$1
declare -A bin=([64]=$2 [32]=$3)
declare -A folder=([64]=System64Folder [32]=SystemFolder)
declare -A component=([KQORV_Zantu.dll]=SoftKeyDevice [KQORVUI.dll]=SoftKeyPinEntry)
declare -A role=([KQORV_Zantu.dll]="device library" [KQORVUI.dll]="PIN-entry library")
queries=(
  "CREATE TABLE \`DrLocator\` (\`Signature_\` CHAR(72) NOT NULL, \`Parent\` CHAR(72), \`Path\` CHAR(255), \`Depth\` SHORT PRIMARY KEY \`Signature_\`, \`Parent\`, \`Path\`)"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('AppSearch', 50)"
)
sequence=1001
for name in KQORV_Zantu.dll KQORVUI.dll; do
  for arch in 64 32; do
    file="${bin[$arch]}/$name"
    size=$(stat -c %s "$file")
    version=$(python3 "$(dirname "$0")/file_version.py" "$file")
    stem="${component[$name]}$arch"
    found="FOUND_${stem^^}"
    ours="OURS_${stem^^}"
    # The 64-bit component has no suffix in kqcsp.wxs.
    comp="${component[$name]}"
    [ "$arch" = 32 ] && comp="${comp}32"
    # A file with a version resource must have exactly our version too.
    columns="" versions=""
    [ -n "$version" ] && columns=", \`MinVersion\`, \`MaxVersion\`" versions=", '$version', '$version'"
    # (Wine's SQL takes no quote inside a string, so the message has none.)
    message="[${folder[$arch]}]$name is not the file of this package: it is a ${role[$name]} of a key maker (or of another build). The soft key (feature SoftKey) would replace it, so nothing was installed. Install without the soft key, or remove the driver of the maker first."
    queries+=(
      "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('Found$stem', '$name')"
      "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`, \`MinSize\`, \`MaxSize\`$columns) VALUES ('Ours$stem', '$name', $size, $size$versions)"
      "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('Found$stem', '[${folder[$arch]}]', 0)"
      "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('Ours$stem', '[${folder[$arch]}]', 0)"
      "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('$found', 'Found$stem')"
      "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('$ours', 'Ours$stem')"
      "UPDATE \`Component\` SET \`Condition\` = 'NOT ($found AND NOT $ours)' WHERE \`Component\` = '$comp'"
      "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Target\`) VALUES ('RefuseSoftKeyOver${name%.dll}$arch', 19, '$message')"
      "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('RefuseSoftKeyOver${name%.dll}$arch', '((&SoftKey=3 AND NOT !SoftKey=3) OR (REINSTALL AND !SoftKey=3)) AND $found AND NOT $ours', $sequence)"
    )
    sequence=$((sequence + 1))
  done
done
for query in "${queries[@]}"; do
  msibuild "$msi" -q "$query"
done
