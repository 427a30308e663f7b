#!/usr/bin/env bash
# Checks that the built libraries export exactly their agreed names on both platforms.
# Usage: check-exports.sh [linux build dir [mingw build dir]] (default build and build-mingw).
set -euo pipefail
cd "$(dirname "$0")/.."
linux_dir=${1:-build}
mingw_dir=${2:-build-mingw}
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
  x86_64-w64-mingw32-objdump -p "$1" |
    awk '/Ordinal\/Name Pointer/{f=1; next} f && /^[[:space:]]*\[/{print $NF; next} f{f=0}' >"$2"
}

check() {  # check <linux lib> <windows dll> <map> <def>
  local tmp
  tmp=$(mktemp)
  if [ -f "$1" ]; then
    linux_names "$1" "$tmp"
    # shellcheck disable=SC2046
    expect "$1" "$tmp" $(names_from_map "$3")
  fi
  if [ -f "$2" ]; then
    windows_names "$2" "$tmp"
    # shellcheck disable=SC2046
    expect "$2" "$tmp" $(names_from_def "$4")
  fi
  rm -f "$tmp"
}

check "$linux_dir/lib/libkqcsp.so" "$mingw_dir/bin/kqcsp.dll" src/exports/kqcsp.map src/exports/kqcsp.def
check "$linux_dir/lib/libKQORV_Zantu.so" "$mingw_dir/bin/KQORV_Zantu.dll" sim/device_library/KQORV_Zantu.map sim/device_library/KQORV_Zantu.def
check "$linux_dir/lib/libkqpkcs11.so" "$mingw_dir/bin/kqpkcs11.dll" src/exports/pkcs11/kqpkcs11.map src/exports/pkcs11/kqpkcs11.def
check "$linux_dir/lib/libKQORVUI.so" "$mingw_dir/bin/KQORVUI.dll" sim/pinentry/KQORVUI.map sim/pinentry/KQORVUI.def
exit $status
