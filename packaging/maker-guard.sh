#!/usr/bin/env bash
# Adds to an installer built from kqcsp.wxs the check that wixl cannot express: the SoftKey feature
# must not replace a maker's KQORV_Zantu.dll already in either system directory. AppSearch looks
# for the file in System64Folder and SystemFolder (SysWOW64), and for our own soft-key component of
# each architecture (a repair or an upgrade finds our file there, which is no maker's); after
# CostFinalize, when the feature is to be installed, an error action ends the installation with a
# clear message before any file is touched.
# A maker's driver update may also put its KQORV_Zantu.dll over ours after we installed it. Our
# file is known by its exact size; at an uninstall that finds another file there, the soft key's
# device component of that directory is disabled by its condition, so the maker's file stays.
#   maker-guard.sh INSTALLER.msi BIN_DIR BIN_DIR_X86
set -euo pipefail
msi=$1
size64=$(stat -c %s "$2/KQORV_Zantu.dll")
size32=$(stat -c %s "$3/KQORV_Zantu.dll")
# The soft key's device-library components of kqcsp.wxs (64-bit and 32-bit).
device64="{469A2697-5A4A-420A-899E-DE6552D3C8B9}"
device32="{9D3A5E71-8B2C-4A6F-B1E4-7C0D2F8A5B63}"
# (Wine's SQL takes no quote inside a string, so the message has none.)
message="The device library KQORV_Zantu.dll of the key maker is already installed in [MAKERDEVICE64][MAKERDEVICE32]. The soft key (feature SoftKey) would replace it, so nothing was installed: install without the soft key, or remove the driver of the maker first."
condition='&SoftKey=3 AND ((MAKERDEVICE64 AND NOT OURDEVICE64) OR (MAKERDEVICE32 AND NOT OURDEVICE32))'
queries=(
  "CREATE TABLE \`DrLocator\` (\`Signature_\` CHAR(72) NOT NULL, \`Parent\` CHAR(72), \`Path\` CHAR(255), \`Depth\` SHORT PRIMARY KEY \`Signature_\`, \`Parent\`, \`Path\`)"
  "CREATE TABLE \`CompLocator\` (\`Signature_\` CHAR(72) NOT NULL, \`ComponentId\` CHAR(38) NOT NULL, \`Type\` SHORT PRIMARY KEY \`Signature_\`)"
  "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('MakerDevice64', 'KQORV_Zantu.dll')"
  "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`) VALUES ('MakerDevice32', 'KQORV_Zantu.dll')"
  "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('MakerDevice64', '[System64Folder]', 0)"
  "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('MakerDevice32', '[SystemFolder]', 0)"
  "INSERT INTO \`CompLocator\` (\`Signature_\`, \`ComponentId\`, \`Type\`) VALUES ('OurDevice64', '$device64', 1)"
  "INSERT INTO \`CompLocator\` (\`Signature_\`, \`ComponentId\`, \`Type\`) VALUES ('OurDevice32', '$device32', 1)"
  "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`, \`MinSize\`, \`MaxSize\`) VALUES ('OurFile64', 'KQORV_Zantu.dll', $size64, $size64)"
  "INSERT INTO \`Signature\` (\`Signature\`, \`FileName\`, \`MinSize\`, \`MaxSize\`) VALUES ('OurFile32', 'KQORV_Zantu.dll', $size32, $size32)"
  "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('OurFile64', '[System64Folder]', 0)"
  "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('OurFile32', '[SystemFolder]', 0)"
  "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('OURFILE64', 'OurFile64')"
  "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('OURFILE32', 'OurFile32')"
  "UPDATE \`Component\` SET \`Condition\` = 'NOT (REMOVE~=\"ALL\" AND MAKERDEVICE64 AND NOT OURFILE64)' WHERE \`Component\` = 'SoftKeyDevice'"
  "UPDATE \`Component\` SET \`Condition\` = 'NOT (REMOVE~=\"ALL\" AND MAKERDEVICE32 AND NOT OURFILE32)' WHERE \`Component\` = 'SoftKeyDevice32'"
  "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('MAKERDEVICE64', 'MakerDevice64')"
  "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('MAKERDEVICE32', 'MakerDevice32')"
  "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('OURDEVICE64', 'OurDevice64')"
  "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('OURDEVICE32', 'OurDevice32')"
  "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Target\`) VALUES ('RefuseSoftKeyOverMakerDevice', 19, '$message')"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('AppSearch', 50)"
  "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('RefuseSoftKeyOverMakerDevice', '$condition', 1001)"
)
for query in "${queries[@]}"; do
  msibuild "$msi" -q "$query"
done
