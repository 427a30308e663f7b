#!/usr/bin/env bash
# Checks that the built libraries export exactly their agreed names on both platforms, and on
# Windows for both architectures: on 32-bit Windows the __stdcall CP* entry points must keep their
# plain names (CPAcquireContext, not CPAcquireContext@20), and no function may be exported by
# ordinal only (the export address table holds exactly the named functions).
# Usage: check-exports.sh [linux build dir [mingw build dir [mingw-x86 build dir]]]
# (default build, build-mingw and build-mingw-x86; a build that is not there is not checked).
set -euo pipefail
cd "$(dirname "$0")/.."
linux_dir=${1:-build}
mingw_dir=${2:-build-mingw}
mingw_x86_dir=${3:-build-mingw-x86}
status=0

expect() {  # expect <label> <file with the listed names> <expected names...>
  local label=$1 listed=$2
  shift 2
  local expected
  expected=$(printf '%s\n' "$@" | sort -u)
  local differences
  if ! differences=$(diff <(echo "$expected") <(sort -u "$listed")); then
    echo "check-exports: $label exports differ (< expected, > found):"
    echo "$differences"
    status=1
  else
    echo "check-exports: $label: $(wc -l <"$listed") names as agreed"
  fi
}

names_from_map() { grep -oE '[A-Za-z_][A-Za-z0-9_]*;' "$1" | tr -d ';' | grep -v '^local$'; }
names_from_def() { awk 'f && NF {print $1} /^EXPORTS/{f=1}' "$1"; }

linux_names() { nm -D --defined-only "$1" | awk '$2 ~ /^[TDBRVWi]$/ {print $3}' | sed 's/@.*//' >"$2"; }
windows_names() {
  local table
  table=$(x86_64-w64-mingw32-objdump -p "$1")
  awk '/Ordinal\/Name Pointer/{f=1; next} f && /^[[:space:]]*\[/{print $NF; next} f{f=0}' \
    <<<"$table" >"$2"
  # Every entry of the export address table has its name.
  local addresses
  addresses=$(awk '/^Export Address Table -- /{f=1; next} f && /^[[:space:]]*\[/{n++; next} f{f=0}
                   END {print n + 0}' <<<"$table")
  if [ "$addresses" != "$(wc -l <"$2")" ]; then
    echo "check-exports: $1 has $addresses exported functions but $(wc -l <"$2") names"
    status=1
  fi
}

check() {  # check <library name> <linux lib> <map> <def>
  local tmp dll
  tmp=$(mktemp)
  if [ -f "$linux_dir/lib/$2" ]; then
    linux_names "$linux_dir/lib/$2" "$tmp"
    # shellcheck disable=SC2046
    expect "$linux_dir/lib/$2" "$tmp" $(names_from_map "$3")
  fi
  for dll in "$mingw_dir/bin/$1" "$mingw_x86_dir/bin/$1"; do
    if [ -f "$dll" ]; then
      windows_names "$dll" "$tmp"
      # shellcheck disable=SC2046
      expect "$dll" "$tmp" $(names_from_def "$4")
    fi
  done
  rm -f "$tmp"
}

check kqcsp.dll libkqcsp.so src/exports/kqcsp.map src/exports/kqcsp.def
check KQORV_Zantu.dll libKQORV_Zantu.so sim/device_library/KQORV_Zantu.map sim/device_library/KQORV_Zantu.def
check kqpkcs11.dll libkqpkcs11.so src/exports/pkcs11/kqpkcs11.map src/exports/pkcs11/kqpkcs11.def
check KQORVUI.dll libKQORVUI.so sim/pinentry/KQORVUI.map sim/pinentry/KQORVUI.def
exit $status
