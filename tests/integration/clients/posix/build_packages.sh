#!/usr/bin/env bash
# The Debian packages of this build (CPack's package target), then the bill of materials written
# again with them listed, so that it names every shipped file, the packages' contents included.
#   build_packages.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
sources=$2
cmake --build "$build" --target package
archives=()
for deb in "$build"/*.deb; do
  archives+=(--archive "$deb")
done
python3 "$sources/scripts/sbom.py" "$build" "${archives[@]}"
