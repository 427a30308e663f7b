#!/usr/bin/env bash
# Adds to an installer built from kqcsp.wxs the checks that wixl cannot express: the soft key
# (feature SoftKey) never replaces nor removes a maker's KQORV_Zantu.dll or KQORVUI.dll in either
# system directory, whether the maker's file was there before us or a driver update put it over
# ours later.
# Whether a file is ours is decided by the file on disk, never by what the installer registered:
# AppSearch finds each of the two names in System64Folder and SystemFolder (SysWOW64), and finds
# it again only when its file version is in the soft key's own range, 0.x.y.z (kq_release_file's
# SOFT_KEY in cmake/KqRelease.cmake), which the soft key of every release carries and no released
# driver does. (A rule by this build's exact size and version took the soft key of an older
# release, or of any rebuild, for a maker's file and refused the upgrade. AppSearch compares no
# hash, and a file's language tells too little: a maker's file is as likely English as ours.) Then:
#   - each soft-key component's condition is false where another file has that name, so no path
#     (install, repair, upgrade, uninstall) copies over it or deletes it (Wine's msiexec evaluates
#     the condition again at a repair and an uninstall; Windows Installer only at the first
#     installation, so there an uninstall after a driver update still deletes the maker's file:
#     the README says what else was tried and why it was rejected);
#   - a repair of every feature (REINSTALL=ALL, as Programs and Features starts it) repairs the
#     other features only (a type-51 action before costing names them in REINSTALL), so a damaged
#     provider is mended while the maker's file is left alone;
#   - where the feature is to be installed (a new install, an added feature, a major upgrade) or a
#     repair names it (REINSTALL=SoftKey), an error action names the file and its folder and ends
#     the installation before any file is touched. (Windows evaluates a component's condition at
#     its first installation only, so such a repair is refused rather than left to the condition.)
#   maker-guard.sh INSTALLER.msi
set -euo pipefail
msi=$1
declare -A folder=([64]=System64Folder [32]=SystemFolder)
declare -A component=([KQORV_Zantu.dll]=SoftKeyDevice [KQORVUI.dll]=SoftKeyPinEntry)
declare -A role=([KQORV_Zantu.dll]="device library" [KQORVUI.dll]="PIN-entry library")
queries=(
  "CREATE TABLE \`DrLocator\` (\`Signature_\` CHAR(72) NOT NULL, \`Parent\` CHAR(72), \`Path\` CHAR(255), \`Depth\` SHORT PRIMARY KEY \`Signature_\`, \`Parent\`, \`Path\`)"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('AppSearch', 50)"
)
sequence=1001
makers=()
for name in KQORV_Zantu.dll KQORVUI.dll; do
  for arch in 64 32; do
    stem="${component[$name]}$arch"
    found="FOUND_${stem^^}"
    ours="OURS_${stem^^}"
    # The 64-bit component has no suffix in kqcsp.wxs.
    comp="${component[$name]}"
    [ "$arch" = 32 ] && comp="${comp}32"
    # (Wine's SQL takes no quote inside a string, so the message has none.)
    message="[${folder[$arch]}]$name is not the file of this package: it is a ${role[$name]} of a key maker (or a soft key older than this packaging). The soft key (feature SoftKey) would replace it, so nothing was installed. Install without the soft key, or remove the driver of the maker first."
    queries+=(
      "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('Found$stem', '$name')"
      "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`, \`MinVersion\`, \`MaxVersion\`) VALUES ('Ours$stem', '$name', '0.0.0.1', '0.65535.65535.65535')"
      "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('Found$stem', '[${folder[$arch]}]', 0)"
      "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('Ours$stem', '[${folder[$arch]}]', 0)"
      "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('$found', 'Found$stem')"
      "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('$ours', 'Ours$stem')"
      "UPDATE \`Component\` SET \`Condition\` = 'NOT ($found AND NOT $ours)' WHERE \`Component\` = '$comp'"
      "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Target\`) VALUES ('RefuseSoftKeyOver${name%.dll}$arch', 19, '$message')"
      "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('RefuseSoftKeyOver${name%.dll}$arch', '((&SoftKey=3 AND NOT !SoftKey=3) OR REINSTALL><\"SoftKey\") AND $found AND NOT $ours', $sequence)"
    )
    sequence=$((sequence + 1))
    makers+=("($found AND NOT $ours)")
  done
done
# Before costing (CostInitialize is 800), after AppSearch (50) and remember-settings.sh (200-299).
any_maker=$(IFS=' '; echo "${makers[*]}" | sed 's/) (/) OR (/g')
queries+=(
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('RepairAllButSoftKey', 51, 'REINSTALL', 'Provider')"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('RepairAllButSoftKey', 'REINSTALL~=\"ALL\" AND ($any_maker)', 300)"
)
for query in "${queries[@]}"; do
  msibuild "$msi" -q "$query"
done
