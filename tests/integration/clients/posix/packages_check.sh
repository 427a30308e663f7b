#!/usr/bin/env bash
# The Debian packages that the package target made: lintian finds no error in either; each holds
# exactly the files that the build's list names (<build>/packaging/<package>.files), with the
# registry file as a conffile, the p11-kit module file naming the installed module (never a build
# path), dependencies computed by dpkg-shlibdeps and no maintainer script but CPack's ldconfig;
# unpacked with dpkg -x into a temporary root (never installed), kqtool and pkcs11-tool work from
# there.
#   packages_check.sh BIN_DIR MODULE BUILD_DIR VERSION
build_dir=$(cd "$3" && pwd)
source "$(dirname "$0")/lib.sh"
version=$4
main=$build_dir/kqcsp_${version}_amd64.deb
softkey=$build_dir/kqcsp-softkey_${version}_amd64.deb

# CPack's postinst and postrm run ldconfig for the libraries in /usr/lib, and the ldconfig trigger
# does so too; nothing else may run: no script touches the machine's configuration (p11-kit reads
# the module file from the package's own folder).
only_ldconfig() {
  local deb=$1 scripts=$2 part
  dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' >"$scripts.list"
  ! grep -Evx 'md5sums|control|conffiles|triggers|postinst|postrm' "$scripts.list" || return 1
  : >"$scripts"
  for part in postinst postrm; do
    if grep -qx "$part" "$scripts.list"; then dpkg-deb -I "$deb" "$part" >>"$scripts"; fi
  done
  ! grep -Evx '#!/bin/sh|set -e|if \[ "\$1" = "(configure|remove)" \]; then|[[:space:]]+ldconfig|fi|' \
    "$scripts" || return 1
  [ "$(dpkg-deb -I "$deb" triggers)" = "activate-noawait ldconfig" ]
}

for deb in "$main" "$softkey"; do
  package=$(basename "$deb" "_${version}_amd64.deb")
  check "$package: the package exists" -- test -f "$deb"
  check "$package: lintian reports no error" "lintian-$package.log" -- eval \
    'lintian --fail-on error "$deb" >"lintian-$package.log" 2>&1'
  sed -n 's/^[WI]: /      lintian: /p' "lintian-$package.log"
  check "$package: dpkg-deb -c lists exactly the expected files" "files-$package.diff" -- eval \
    'dpkg-deb -c "$deb" | awk "\$1 !~ /^d/ {print \$6}" | sed "s|^\\.||" | sort >"files-$package" &&
     diff <(sort "$build_dir/packaging/$package.files") "files-$package" >"files-$package.diff"'
  check "$package: dependencies computed by dpkg-shlibdeps" "control-$package" -- eval \
    'dpkg-deb -f "$deb" >"control-$package" &&
     grep -Eq "^Depends: .*libc6 \(>= [0-9.]+\).*libstdc\+\+6 \(>= [0-9.]+\)" "control-$package" &&
     grep -qx "Version: $version" "control-$package"'
  check "$package: the maintainer scripts only run ldconfig" "scripts-$package" -- \
    only_ldconfig "$deb" "scripts-$package"
done
check "kqcsp: the registry file is a conffile" -- eval \
  '[ "$(dpkg-deb -I "$main" conffiles)" = /etc/kqcsp/registry.reg ]'
check "kqcsp: the p11-kit module file names the installed module" kqcsp.module -- eval \
  'dpkg-deb --fsys-tarfile "$main" | tar -xO ./usr/share/p11-kit/modules/kqcsp.module >kqcsp.module &&
   grep -qx "module: /usr/lib/libkqpkcs11.so" kqcsp.module &&
   ! grep -q "$build_dir\|_CPack_Packages" kqcsp.module'
check "kqcsp: the registry file names the installed provider" registry.reg -- eval \
  'dpkg-deb --fsys-tarfile "$main" | tar -xO ./etc/kqcsp/registry.reg >registry.reg &&
   grep -qx "\"Image Path\"=\"/usr/lib/libkqcsp.so\"" registry.reg'

# Unpacked into a temporary root, the programs and libraries find each other there.
root=$work/root
dpkg -x "$main" "$root"
dpkg -x "$softkey" "$root"
bin_dir=$root/usr/bin
module=$root/usr/lib/libkqpkcs11.so
export KQCSP_REGISTRY=$root/etc/kqcsp/registry.reg
check "kqsim from the root makes a soft key" -- eval \
  '"$bin_dir/kqsim" create --family 73 --pin 12345678 --button none --label "Unpacked" >/dev/null'
check "kqtool check from the root finds the registration and the key" check.log -- eval \
  '"$bin_dir/kqtool" check all >check.log 2>&1 &&
   grep -q "KQ_CheckDevice ok" check.log && grep -q "KQ_CheckCSP ok" check.log'
check "kqtool loaded the root's provider" loaded.log -- eval \
  'LD_DEBUG=files "$bin_dir/kqtool" check device 2>loaded.log >/dev/null &&
   grep -Eq "file=$root/usr/(bin/\.\./)?lib/libkqcsp\.so " loaded.log &&
   grep -Eq "file=$root/usr/(bin/\.\./)?lib/libKQORV_Zantu\.so " loaded.log'
check "pkcs11-tool --list-slots with the root's module lists the soft key" slots.log -- eval \
  'pkcs11-tool --module "$module" --list-slots >slots.log 2>&1 &&
   grep -q "token label *: Unpacked$" slots.log'

finish
