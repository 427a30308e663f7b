#!/usr/bin/env bash
# NSS, as Firefox's "Security Devices" uses it: the module added to a new NSS database by modutil;
# `certutil -L -h all` lists the key's certificate and `certutil -K -h TOKEN` its private key.
#   nss_lists.sh BIN_DIR MODULE
source "$(dirname "$0")/lib.sh"
enrol_customer
mkdir -p nssdb
certutil -N -d sql:nssdb --empty-password
check "modutil adds the module" modutil.log -- \
  eval 'modutil -dbdir sql:nssdb -add kqcsp -libfile "$module" -force >modutil.log 2>&1'
check "modutil lists the module and the token" modules.log -- eval \
  'modutil -dbdir sql:nssdb -list kqcsp >modules.log 2>&1 &&
   grep -q "Token Name: $token *$" modules.log && grep -q "Library file: $module$" modules.log'
check "certutil -L -h all lists the key's certificate" certs.log -- eval \
  'certutil -L -d sql:nssdb -h all >certs.log 2>&1 && grep -q "^$token:$object  *u,u,u" certs.log'
check "certutil -L shows the certificate as the CA issued it" cert.pem -- eval \
  'certutil -L -d sql:nssdb -n "$token:$object" -a >cert.pem 2>&1 &&
   cmp <(openssl x509 -in cert.pem -outform DER) <(openssl x509 -in customer.pem -outform DER)'
# The PIN comes from the soft key's PIN entry (NSS logs in with no PIN on a protected path).
check "certutil -K -h TOKEN lists the private key after a login" keys.log -- eval \
  'certutil -K -d sql:nssdb -h "$token" </dev/null >keys.log 2>&1 &&
   grep -q "rsa  *01  *$object$" keys.log'
check "the NSS database holds no PIN" -- eval '! grep -rqa "$KQSIM_PIN" nssdb'

finish
