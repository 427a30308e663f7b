#!/usr/bin/env bash
# OpenSSL through the key, with libp11's engine and the module: a raw signature that
# `openssl pkeyutl -verify` accepts with the certificate's public key, a certification request that
# `openssl req -verify` accepts, and a CMS signed message that `openssl cms -verify` accepts
# against the throwaway CA; and ssh-keygen, as ssh's PKCS11Provider, reads the key.
#   openssl_engine.sh BIN_DIR MODULE
source "$(dirname "$0")/lib.sh"
enrol_customer
key_uri="$token_uri;type=private"
write_openssl_conf engine.cnf
export OPENSSL_CONF=$work/engine.cnf
engine=(-engine pkcs11 -keyform engine)
openssl x509 -in customer.pem -pubkey -noout >customer-public.pem

echo "a statement the customer signs" >message.txt
openssl dgst -sha256 -binary message.txt >message.sha256
check "pkeyutl signs a SHA-256 digest with the key" sign.log -- eval \
  'openssl pkeyutl -sign "${engine[@]}" -inkey "$key_uri" -pkeyopt digest:sha256 \
     -in message.sha256 -out message.sig 2>sign.log'
check "pkeyutl -verify accepts it with the certificate's key" verify.log -- eval \
  'openssl pkeyutl -verify -pubin -inkey customer-public.pem -pkeyopt digest:sha256 \
     -in message.sha256 -sigfile message.sig >verify.log 2>&1'
echo "another statement" | openssl dgst -sha256 -binary >other.sha256
check "pkeyutl -verify refuses it for another digest" -- \
  eval '! openssl pkeyutl -verify -pubin -inkey customer-public.pem -pkeyopt digest:sha256 -in other.sha256 -sigfile message.sig >/dev/null 2>&1'

check "req -new makes a request signed by the key" req.log -- eval \
  'openssl req -new "${engine[@]}" -key "$key_uri" -subj "/CN=Test Customer/O=Demo Bank" \
     -out renewal.csr 2>req.log'
check "req -verify accepts it, with the customer's public key" req-verify.log -- eval \
  'openssl req -verify -in renewal.csr -noout >req-verify.log 2>&1 &&
   cmp <(openssl req -in renewal.csr -pubkey -noout) customer-public.pem >>req-verify.log 2>&1'

check "cms -sign signs a message with the key" cms.log -- eval \
  'openssl cms -sign "${engine[@]}" -inkey "$key_uri" -signer customer.pem -md sha256 -nodetach -binary \
     -in message.txt -out message.p7s -outform PEM 2>cms.log'
check "cms -verify accepts it against the throwaway CA" cms-verify.log -- eval \
  'openssl cms -verify -in message.p7s -inform PEM -CAfile ca.pem -out verified.txt \
     >cms-verify.log 2>&1 && cmp message.txt verified.txt >>cms-verify.log 2>&1'

# ssh's PKCS11Provider: ssh-keygen -D prints the key for authorized_keys, the certificate's key.
check "ssh-keygen -D prints the certificate's key" ssh.log -- eval \
  'ssh-keygen -D "$module" >ssh.log 2>&1 &&
   grep -q "^$(ssh-keygen -i -m PKCS8 -f customer-public.pem) $object$" ssh.log'

finish
