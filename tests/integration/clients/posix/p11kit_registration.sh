#!/usr/bin/env bash
# Registration with p11-kit: `cmake --install` into a temporary prefix writes
# <prefix>/share/p11-kit/modules/kqcsp.module naming the installed module; with that folder as
# p11-kit's configuration (in a private mount namespace: the machine's own stays untouched),
# `p11-kit list-modules` lists the module and its token, and pkcs11: URIs reach the key through
# p11-kit's proxy, which libp11's engine loads by default and GnuTLS loads always.
#   p11kit_registration.sh BIN_DIR MODULE BUILD_DIR
build_dir=$(cd "$3" && pwd)
source "$(dirname "$0")/lib.sh"
machine_modules=$(ls /usr/share/p11-kit/modules; ls /etc/pkcs11 2>/dev/null || true)

prefix=$work/prefix
cmake --install "$build_dir" --prefix "$prefix" >install.log
bin_dir=$prefix/bin
module=$prefix/lib/libkqpkcs11.so
modules=$prefix/share/p11-kit/modules
check "cmake --install writes the module file naming the installed module" "$modules/kqcsp.module" \
  -- grep -qx "module: $module" "$modules/kqcsp.module"
enrol_customer
key_uri="$token_uri;type=private"

check "p11-kit list-modules lists the module and its token" list.log -- eval \
  'in_p11kit "$modules" p11-kit list-modules >list.log 2>&1 &&
   grep -qx "kqcsp: $module" list.log && grep -qx "    token: $token" list.log'
check "pkcs11-tool finds the token through p11-kit's proxy" slots.log -- eval \
  'in_p11kit "$modules" pkcs11-tool --module "$(pkg-config --variable=proxy_module p11-kit-1)" \
     --list-slots >slots.log 2>&1 && grep -q "token label *: $token$" slots.log'
check "p11tool (GnuTLS) lists the certificate by its pkcs11: URI" certs.log -- eval \
  'in_p11kit "$modules" p11tool --list-all-certs "pkcs11:token=${token// /%20}" >certs.log 2>&1 &&
   grep -q "URL: pkcs11:.*object=$object;type=cert" certs.log'

# libp11's engine with no MODULE_PATH: p11-kit's proxy, as for curl --key pkcs11:...
echo "a statement" | openssl dgst -sha256 -binary >digest.bin
openssl x509 -in customer.pem -pubkey -noout >customer-public.pem
check "openssl signs through the proxy with a pkcs11: URI" sign.log -- eval \
  'in_p11kit "$modules" openssl pkeyutl -sign -engine pkcs11 -keyform engine -inkey "$key_uri" \
     -pkeyopt digest:sha256 -in digest.bin -out digest.sig >sign.log 2>&1 &&
   openssl pkeyutl -verify -pubin -inkey customer-public.pem -pkeyopt digest:sha256 \
     -in digest.bin -sigfile digest.sig >>sign.log 2>&1'

check "the machine's own p11-kit configuration is as it was" -- eval \
  '[ "$machine_modules" = "$(ls /usr/share/p11-kit/modules; ls /etc/pkcs11 2>/dev/null || true)" ] &&
   ! p11-kit list-modules 2>/dev/null | grep -q "^kqcsp:"'

finish
