#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine,
# and builds mbed TLS as static libraries for the Windows cross build.
# Wine (Debian's wine64) is the Windows host of the Windows suite; xvfb gives its windows a screen;
# wixl and msitools build the Windows installer; clang and its runtime libraries (libFuzzer, the
# sanitizers) build the fuzz preset; osslsigncode signs the Windows files and faketime gives the
# installer the commit's date.
# The 32-bit Windows build (the mingw-x86 preset) needs the i686 compilers, and wine32 from
# Debian's i386 architecture to run its programs in the 64-bit prefix.
# Idempotent: quick when everything is already present.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config googletest libgtest-dev libgmock-dev
  libbenchmark-dev nlohmann-json3-dev libmbedtls-dev libssl-dev openssl g++-mingw-w64-x86-64-posix
  clang-format clang libclang-rt-14-dev dpkg-dev binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine64 wine wine32:i386 xvfb xauth fonts-wqy-microhei wixl msitools gcovr
  libp11-kit-dev opensc gnutls-bin python3-pykcs11 osslsigncode faketime)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-deps: adding the i386 architecture (for wine32)"
  dpkg --add-architecture i386
fi

# The programs that use the key through the PKCS #11 module (p11-kit, OpenSC's pkcs11-tool, GnuTLS,
# NSS, libp11's engine for OpenSSL, curl, ssh-keygen) and the Debian packages' tools (CPack reads
# binaries with file; lintian).
packages+=(p11-kit libp11-kit-dev opensc gnutls-bin libnss3-tools libengine-pkcs11-openssl curl
  openssh-client file lintian)
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

# GoogleTest and mbed TLS for each mingw-w64 toolchain, built from Debian's sources and cached in
# folders of their own per architecture (the 64-bit ones keep their first names), so that a 32-bit
# library never lands in a 64-bit build or the other way round.
toolchains=("mingw-w64.cmake::pe-x86-64" "mingw-w64-i686.cmake:-i686:pe-i386")

# Whether a cached static library exists and was built for the expected object format.
built_for() {  # built_for <library> <object format>
  # The whole listing is read (no early exit of grep): under pipefail a cut pipe would fail.
  [ -f "$1" ] && objdump -a "$1" 2>/dev/null | grep -c "file format $2" >/dev/null
}

mbedtls_src=""
fetch_mbedtls_source() {  # Debian's own source package, through a private deb-src list.
  [ -z "$mbedtls_src" ] || return 0
  local aptdir="$deps_dir/apt"
  rm -rf "$aptdir" "$deps_dir/src"
  mkdir -p "$aptdir/lists/partial" "$aptdir/cache/archives/partial" "$aptdir/sources.list.d" "$deps_dir/src"
  # A private deb-src list with the same URI and Signed-By as the system's main entry.
  local uri="" signed=""
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    uri=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources)
    signed=$(awk '/^Signed-By:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  fi
  if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
    uri=$(awk '$1=="deb"{for(i=2;i<=NF;i++) if($i ~ /^[a-z]+:\/\//){print $i; exit}}' /etc/apt/sources.list)
  fi
  [ -n "$uri" ] || uri="http://deb.debian.org/debian"
  [ -n "$signed" ] || signed="/usr/share/keyrings/debian-archive-keyring.gpg"
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  echo "deb-src [signed-by=$signed] $uri $codename main" >"$aptdir/sources.list"
  local apt_opts=(-o "Dir::Etc::SourceList=$aptdir/sources.list" -o "Dir::Etc::SourceParts=$aptdir/sources.list.d"
    -o "Dir::State::Lists=$aptdir/lists" -o "Dir::Cache=$aptdir/cache" -o "APT::Sandbox::User=root")
  apt-get "${apt_opts[@]}" update -qq
  (cd "$deps_dir/src" && apt-get "${apt_opts[@]}" source -qq mbedtls >/dev/null)
  mbedtls_src=$(find "$deps_dir/src" -maxdepth 1 -type d -name 'mbedtls-*' | head -n 1)
  [ -n "$mbedtls_src" ] || { echo "install-deps: mbed TLS source not found" >&2; exit 1; }
}

for entry in "${toolchains[@]}"; do
  IFS=: read -r toolchain suffix format <<<"$entry"
  gtest_prefix="$deps_dir/mingw$suffix-googletest"
  if ! built_for "$gtest_prefix/lib/libgtest.a" "$format"; then
    echo "install-deps: building GoogleTest with $toolchain (about a minute)"
    rm -rf "$gtest_prefix" "$deps_dir/build-mingw$suffix-googletest"
    cmake -S /usr/src/googletest -B "$deps_dir/build-mingw$suffix-googletest" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -Dgtest_disable_pthreads=OFF >/dev/null
    cmake --build "$deps_dir/build-mingw$suffix-googletest" >/dev/null
    cmake --install "$deps_dir/build-mingw$suffix-googletest" >/dev/null
    rm -rf "$deps_dir/build-mingw$suffix-googletest"
  fi

  prefix="$deps_dir/mingw$suffix-mbedtls"
  if ! built_for "$prefix/lib/libmbedcrypto.a" "$format"; then
    echo "install-deps: building mbed TLS with $toolchain (about half a minute)"
    fetch_mbedtls_source
    rm -rf "$prefix" "$deps_dir/build-mingw$suffix-mbedtls"
    cmake -S "$mbedtls_src" -B "$deps_dir/build-mingw$suffix-mbedtls" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_TESTING=OFF -DENABLE_PROGRAMS=OFF \
      -DUSE_SHARED_MBEDTLS_LIBRARY=OFF -DUSE_STATIC_MBEDTLS_LIBRARY=ON -DMBEDTLS_FATAL_WARNINGS=OFF >/dev/null
    cmake --build "$deps_dir/build-mingw$suffix-mbedtls" >/dev/null
    cmake --install "$deps_dir/build-mingw$suffix-mbedtls" >/dev/null
    rm -rf "$deps_dir/build-mingw$suffix-mbedtls"
    echo "install-deps: mbed TLS for mingw-w64 in $prefix"
  fi
done
rm -rf "$deps_dir/src"
