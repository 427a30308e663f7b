#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine,
# and builds mbed TLS as static libraries for the Windows cross build.
# Wine (Debian's wine64) is the Windows host of the Windows suite; xvfb gives its windows a screen;
# wixl and msitools build the Windows installer; clang and its runtime libraries (libFuzzer, the
# sanitizers) build the fuzz preset; osslsigncode signs the Windows files and faketime gives the
# installer the commit's date.
# Idempotent: quick when everything is already present.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config googletest libgtest-dev libgmock-dev
  libbenchmark-dev nlohmann-json3-dev libmbedtls-dev libssl-dev openssl g++-mingw-w64-x86-64-posix
  clang-format clang libclang-rt-14-dev dpkg-dev binutils-mingw-w64-x86-64
  wine64 wine xvfb xauth fonts-wqy-microhei wixl msitools gcovr
  osslsigncode faketime)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

deps_dir="${KQ_DEPS_DIR:-${HOME:-/root}/.cache/kqcsp-deps}"
here=$(cd "$(dirname "$0")/.." && pwd)

# GoogleTest for mingw-w64, built from Debian's googletest source (/usr/src/googletest) and cached:
# the Windows suite links it.
gtest_prefix="$deps_dir/mingw-googletest"
if [ ! -f "$gtest_prefix/lib/libgtest.a" ]; then
  echo "install-deps: building GoogleTest for mingw-w64 (about a minute)"
  rm -rf "$deps_dir/build-mingw-googletest"
  cmake -S /usr/src/googletest -B "$deps_dir/build-mingw-googletest" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$deps_dir/build-mingw-googletest" >/dev/null
  cmake --install "$deps_dir/build-mingw-googletest" >/dev/null
  rm -rf "$deps_dir/build-mingw-googletest"
fi

# mbed TLS for mingw-w64, built from Debian's own source package and cached.
prefix="$deps_dir/mingw-mbedtls"
if [ -f "$prefix/lib/libmbedcrypto.a" ]; then
  exit 0
fi
echo "install-deps: building mbed TLS for mingw-w64 (about half a minute)"
aptdir="$deps_dir/apt"
rm -rf "$aptdir" "$deps_dir/src"
mkdir -p "$aptdir/lists/partial" "$aptdir/cache/archives/partial" "$aptdir/sources.list.d" "$deps_dir/src"

# A private deb-src list with the same URI and Signed-By as the system's main entry.
uri="" signed=""
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  uri=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  signed=$(awk '/^Signed-By:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources)
fi
if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
  uri=$(awk '$1=="deb"{for(i=2;i<=NF;i++) if($i ~ /^[a-z]+:\/\//){print $i; exit}}' /etc/apt/sources.list)
fi
[ -n "$uri" ] || uri="http://deb.debian.org/debian"
[ -n "$signed" ] || signed="/usr/share/keyrings/debian-archive-keyring.gpg"
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
cat >"$aptdir/sources.list" <<SRC
deb-src [signed-by=$signed] $uri $codename main
SRC
apt_opts=(-o "Dir::Etc::SourceList=$aptdir/sources.list" -o "Dir::Etc::SourceParts=$aptdir/sources.list.d"
  -o "Dir::State::Lists=$aptdir/lists" -o "Dir::Cache=$aptdir/cache" -o "APT::Sandbox::User=root")
apt-get "${apt_opts[@]}" update -qq
(cd "$deps_dir/src" && apt-get "${apt_opts[@]}" source -qq mbedtls >/dev/null)
srcdir=$(find "$deps_dir/src" -maxdepth 1 -type d -name 'mbedtls-*' | head -n 1)
[ -n "$srcdir" ] || { echo "install-deps: mbed TLS source not found" >&2; exit 1; }

cmake -S "$srcdir" -B "$deps_dir/build-mingw-mbedtls" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_TESTING=OFF -DENABLE_PROGRAMS=OFF \
  -DUSE_SHARED_MBEDTLS_LIBRARY=OFF -DUSE_STATIC_MBEDTLS_LIBRARY=ON -DMBEDTLS_FATAL_WARNINGS=OFF >/dev/null
cmake --build "$deps_dir/build-mingw-mbedtls" >/dev/null
cmake --install "$deps_dir/build-mingw-mbedtls" >/dev/null
rm -rf "$deps_dir/build-mingw-mbedtls" "$deps_dir/src"
echo "install-deps: mbed TLS for mingw-w64 in $prefix"
