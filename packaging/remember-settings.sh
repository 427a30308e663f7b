#!/usr/bin/env bash
# Adds to an installer built from kqcsp.wxs (after maker-guard.sh, which schedules AppSearch) the
# memory of the two settings it writes under HKLM\SOFTWARE\KQVN\Orvenia: LANGUAGEID (LanguageID)
# and ISUSESECDESK (IsUseSecDesk). A repair started from Programs and Features (or msiexec /f)
# passes no property and a major upgrade starts from the package's defaults, so both used to write
# the defaults (2052 and 0) over what the administrator had chosen.
# The installed values themselves are the memory: AppSearch reads each one (a raw search of the
# 64-bit view, which a major upgrade does while the older product is still there), and then, for
# a property not given on the command line, a custom action sets it from what was found, or to the
# default when nothing was. A raw search gives a DWORD as "#<decimal>" and the installer has no way
# to cut the "#" off, so each value the provider tells apart is matched one by one: the languages
# that select a catalogue (any other selects English, as 1033 does) and IsUseSecDesk zero or not.
#   remember-settings.sh INSTALLER.msi
set -euo pipefail
msi=$1
key='SOFTWARE\KQVN\Orvenia'
queries=() # (wixl makes the RegLocator table, empty)
sequence=60 # after AppSearch (50), before costing
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
    local value=${pair#*=} condition="$found=\"${pair%%=*}\""
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
# The catalogue's languages (2052 and 4100 Simplified Chinese, 1028, 3076 and 5124 Traditional
# Chinese); any other value found selects English, which 1033 keeps.
remember LANGUAGEID LanguageID 2052 '#2052=2052' '#4100=4100' '#1028=1028' '#3076=3076' \
  '#5124=5124' '*=1033'
remember ISUSESECDESK IsUseSecDesk 0 '#0=0' '*=1'
for query in "${queries[@]}"; do
  msibuild "$msi" -q "$query"
done
