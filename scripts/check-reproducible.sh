#!/usr/bin/env bash
# Proves that a build can be repeated bit for bit: builds the shipped files of a preset again, in
# another folder and later, and compares them (and the installer) with the build already made.
#   check-reproducible.sh [--copy] [PRESET...]     (default: mingw-x86 and mingw, and default when
#                                                  build/ exists)
# Without --copy the second build uses the same source folder and a build folder elsewhere, which
# the compiler cache can serve; --copy also copies the sources (the working tree, uncommitted
# changes included) to another folder first, and turns the compiler cache off: every file is
# compiled again (slow, the full proof). Both builds must be unsigned (KQ_SIGN_PKCS12 unset):
# signed files are compared before signing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
copy=false
if [ "${1:-}" = --copy ]; then
  copy=true
  shift
fi
presets=("$@")
if [ ${#presets[@]} -eq 0 ]; then
  # The 32-bit build first: the installer of the second mingw build carries its files.
  presets=(mingw-x86 mingw)
  [ -d "$root/build" ] && presets+=(default)
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset KQ_SIGN_PKCS12 KQ_SIGN_PASSWORD KQ_SIGN_PASSWORD_FILE
if [ -n "${CCACHE_BASEDIR:-}" ]; then
  # ccache rewrites the source paths under its base folder relative to the build folder, so
  # debug information (Linux) of a build made through it names ../src/... where a build
  # elsewhere names ./src/...: build both without ccache, or compare Windows files only.
  echo "check-reproducible: note: CCACHE_BASEDIR is set; Linux files built through it differ in their debug information's source paths"
fi
# Both builds carry the time of the commit they were made from.
SOURCE_DATE_EPOCH=$(bash "$root/scripts/source-date-epoch.sh")
export SOURCE_DATE_EPOCH
source=$root
if $copy; then
  source="$work/source"
  mkdir -p "$source"
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
    xargs -0 cp --parents -t "$source")
  export CCACHE_DISABLE=1
fi
status=0
for preset in "${presets[@]}"; do
  folder=build-$preset
  [ "$preset" = default ] && folder=build
  reference="$root/$folder"
  again="$work/again/$folder"
  if [ ! -f "$reference/shipped-files.txt" ]; then
    echo "check-reproducible: $reference is not built (scripts/build.sh $preset)" >&2
    exit 1
  fi
  echo "check-reproducible: building $preset again in $again"
  x86_option=()
  [ "$preset" = mingw ] && [ -d "$work/again/build-mingw-x86" ] &&
    x86_option=(-DKQ_MINGW_X86_BIN_DIR="$work/again/build-mingw-x86/bin")
  (cd "$source" && cmake --preset "$preset" -B "$again" "${x86_option[@]}" >/dev/null &&
    cmake --build "$again" --target kq_shipped >/dev/null)
  compared=0
  for file in $(cat "$reference/shipped-files.txt") $(cd "$reference" && ls ./*.msi 2>/dev/null); do
    compared=$((compared + 1))
    if ! cmp -s "$reference/$file" "$again/$file"; then
      echo "check-reproducible: $preset: $file DIFFERS between $reference and the second build"
      status=1
    fi
  done
  echo "check-reproducible: $preset: $compared file(s) compared"
done
[ $status = 0 ] && echo "check-reproducible: every file is byte-identical"
exit $status
