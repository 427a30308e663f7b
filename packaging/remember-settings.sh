#!/usr/bin/env bash
# Adds to an installer built from kqcsp.wxs (after maker-guard.sh, which schedules AppSearch) the
# memory of the two settings it writes under HKLM\SOFTWARE\KQVN\Orvenia: LANGUAGEID (LanguageID)
# and ISUSESECDESK (IsUseSecDesk). A repair started from Programs and Features (or msiexec /f)
# passes no property and a major upgrade starts from the package's defaults, so both used to write
# the defaults (2052 and 0) over what the administrator had chosen.
# The installed values themselves are the memory: AppSearch reads each one (a raw search of the
# 64-bit view, which a major upgrade does while the older product is still there), and then, for
# a property not given on the command line, a custom action sets it from what was found, or to the
# default when nothing was. A raw search gives a DWORD as "#<decimal>" and binary data as
# "#x<hex bytes>", and the installer has no way to take them apart, so each value the provider
# tells apart is matched one by one, as the provider reads it (the first four bytes, little-endian,
# whatever the type; src/platform/registry.h): the languages that select a catalogue (any other
# selects English, as 1033 does) and IsUseSecDesk zero or not. A value given on the command line is
# brought to the same values, so the product key only ever holds one of them, as a DWORD.
#   remember-settings.sh INSTALLER.msi
set -euo pipefail
msi=$1
key='SOFTWARE\KQVN\Orvenia'
queries=() # (wixl makes the RegLocator table, empty)
sequence=200 # after AppSearch (50) and LaunchConditions (100), before maker-guard.sh's 300
# remember PROPERTY VALUE-NAME DEFAULT FOUND=VALUE... [ELSE]: FOUND is the raw search's text.
remember() {
  local property=$1 name=$2 default=$3 found="INSTALLED_$1" pair
  shift 3
  # Raw (2) in the 64-bit view (0x10); HKLM is root 2.
  queries+=(
    "INSERT INTO \`RegLocator\` (\`Signature_\`, \`Root\`, \`Key\`, \`Name\`, \`Type\`) VALUES ('Installed$name', 2, '$key', '$name', 18)"
    "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('$found', 'Installed$name')"
  )
  for pair in "$@"; do
    local value=${pair#*=} condition="$found~=\"${pair%%=*}\""
    [ "${pair%%=*}" = "*" ] && condition=$found
    queries+=(
      "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('Remember${name}$sequence', 51, '$property', '$value')"
      "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('Remember${name}$sequence', 'NOT $property AND $condition', $sequence)"
    )
    sequence=$((sequence + 1))
  done
  queries+=(
    "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('Default$name', 51, '$property', '$default')"
    "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('Default$name', 'NOT $property', $sequence)"
  )
  sequence=$((sequence + 1))
}
# normalise PROPERTY VALUE ALLOWED...: a value given that is none of ALLOWED becomes VALUE.
normalise() {
  local property=$1 value=$2 condition="$1" allowed
  shift 2
  for allowed in "$@"; do condition+=" AND $property<>$allowed"; done
  queries+=(
    "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('Normalise$property', 51, '$property', '$value')"
    "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('Normalise$property', '$condition', $sequence)"
  )
  sequence=$((sequence + 1))
}
# The catalogue's languages (2052 and 4100 Simplified Chinese, 1028, 3076 and 5124 Traditional
# Chinese), as a DWORD or as binary data of two to four bytes; any other value found selects
# English, which 1033 keeps.
languages=(2052 4100 1028 3076 5124)
patterns=()
for language in "${languages[@]}"; do
  bytes=$(printf '%02x%02x' $((language & 255)) $((language >> 8)))
  patterns+=("#$language=$language" "#x$bytes=$language" "#x${bytes}00=$language" "#x${bytes}0000=$language")
done
remember LANGUAGEID LanguageID 2052 "${patterns[@]}" '*=1033'
normalise LANGUAGEID 1033 "${languages[@]}" 1033
# Zero as a DWORD or as one to four zero bytes.
remember ISUSESECDESK IsUseSecDesk 0 '#0=0' '#x00=0' '#x0000=0' '#x000000=0' '#x00000000=0' '*=1'
normalise ISUSESECDESK 1 0 1
for query in "${queries[@]}"; do
  msibuild "$msi" -q "$query"
done
