#!/usr/bin/env bash
# kqtool --version, kqsim --version and, on Windows, the VERSIONINFO of every shipped file (read
# back by kqtool through GetFileVersionInfoW under Wine) agree with the project's version.
#   version_check.sh VERSION BUILD_DIR WINDOWS(1 or empty)
set -euo pipefail
version=$1
build=$2
windows=${3:-}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
if [ -n "$windows" ]; then
  run() { "$(dirname "$0")/../../scripts/wine-run.sh" "$build/bin/$1.exe" "${@:2}" | tr -d '\r'; }
else
  run() { "$build/bin/$1" "${@:2}"; }
fi
[ "$(run kqsim --version)" = "kqsim $version" ] || fail "kqsim --version: $(run kqsim --version)"
[ -z "$windows" ] && files=() || mapfile -t files <"$build/shipped-files.txt"
paths=()
for file in "${files[@]}"; do paths+=("Z:${build//\//\\}\\${file//\//\\}"); done
output=$(run kqtool --version "${paths[@]}") || fail "kqtool --version: $output"
echo "$output"
[ "$(head -n 1 <<<"$output")" = "kqtool $version" ] || fail "kqtool's version line"
for file in "${files[@]}"; do
  name=$(basename "$file")
  # The soft key's libraries, which take a maker's names, carry a version range of their own.
  file_version=$version.0
  [[ $name == KQORV* ]] && file_version=0.$version
  grep -qF "$name: FileVersion=$file_version; ProductVersion=$version; ProductName=KQCSP For ORV v2.0; FileDescription=" <<<"$output" ||
    fail "$name: version resource"
  grep -F "$name: " <<<"$output" | grep -qE "FileDescription=[^;]+; OriginalFilename=$name\$" ||
    fail "$name: description or original file name"
done
echo "versions agree: $version (${#files[@]} version resources)"
