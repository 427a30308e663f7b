#!/usr/bin/env bash
# TLS client authentication with the key, on loopback: openssl s_server asks for a certificate from
# the throwaway CA, and four clients nobody here wrote sign the handshake with the key through the
# PKCS #11 module: openssl s_client (libp11's engine), curl (the engine again, with pkcs11: URIs),
# gnutls-cli (the module registered for p11-kit) and NSS's tstclnt (the module added to a new NSS
# database by modutil).
#
# TLS 1.2 with the signature algorithms limited to RSA PKCS #1 v1.5 works for each. TLS 1.3, and
# TLS 1.2 with OpenSSL's defaults, need RSA-PSS, which the key cannot make: each client's failure
# is pinned here, so that a change (in a client or in the module) is noticed.
#   tls_client_auth.sh BIN_DIR MODULE
source "$(dirname "$0")/lib.sh"
enrol_customer
key_uri="$token_uri;type=private"
cert_uri="$token_uri;type=cert"
write_openssl_conf tls12.cnf tls12
write_openssl_conf defaults.cnf
request='GET / HTTP/1.0\r\n\r\n'

# The module registered for p11-kit, which GnuTLS reads (see in_p11kit).
mkdir -p modules
printf 'module: %s\n' "$module" >modules/kqcsp.module
# NSS: a new database, no password of its own, the module added, the CA trusted.
mkdir -p nssdb
certutil -N -d sql:nssdb --empty-password
modutil -dbdir sql:nssdb -add kqcsp -libfile "$module" -force >modutil.log
certutil -A -d sql:nssdb -n "Throwaway Test CA" -t C,, -i ca.pem
nickname="$token:$object"

s_client() {
  printf "$request" | OPENSSL_CONF=$1 timeout 30 openssl s_client -connect "127.0.0.1:$port" \
    -engine pkcs11 -keyform engine -key "$key_uri" -cert customer.pem -CAfile ca.pem \
    -verify_return_error -ign_eof "${@:2}"
}
curl_client() {
  OPENSSL_CONF=$1 timeout 30 curl -sS --cacert ca.pem --cert "$cert_uri" --key "$key_uri" \
    "${@:2}" "https://127.0.0.1:$port/"
}
gnutls_client() {
  printf "$request" | in_p11kit modules timeout 30 gnutls-cli --x509cafile ca.pem \
    --x509certfile "$cert_uri" --x509keyfile "$key_uri" -p "$port" "$@" 127.0.0.1
}
nss_client() {
  printf "$request" |
    timeout 30 tstclnt -h 127.0.0.1 -p "$port" -d sql:nssdb -n "$nickname" "$@"
}

# client_ok NAME CLIENT [ARGS...]: the handshake completes over TLS 1.2 and the server verified the
# customer's certificate.
client_ok() {
  local name=$1 slug=${1// /_}
  shift
  start_server "server-$slug.log"
  local status=0
  "$@" >"client-$slug.log" 2>&1 || status=$?
  stop_server
  # The server's page, when the client asks for it, says which protocol the session has.
  if [ "$status" -eq 0 ] && server_verified_customer "server-$slug.log" &&
    { ! grep -q "<HTML>" "client-$slug.log" || grep -q "Protocol *: TLSv1.2$" "client-$slug.log"; }; then
    pass "$name"
  else
    fail "$name (exit $status)" "client-$slug.log" "server-$slug.log"
  fi
}
# client_fails NAME CLIENT_TEXT SERVER_TEXT CLIENT [ARGS...]: the handshake fails, with CLIENT_TEXT
# in the client's output and SERVER_TEXT in the server's. The client's exit status is not judged:
# under TLS 1.3 a client may finish its side before the server's refusal arrives.
client_fails() {
  local name=$1 client_text=$2 server_text=$3 slug=${1// /_}
  shift 3
  start_server "server-$slug.log"
  local status=0
  "$@" >"client-$slug.log" 2>&1 || status=$?
  stop_server
  if grep -qF -- "$client_text" "client-$slug.log" &&
    grep -qF -- "$server_text" "server-$slug.log" && server_finished_none "server-$slug.log"; then
    pass "$name"
  else
    fail "$name (exit $status)" "client-$slug.log" "server-$slug.log"
  fi
}

echo "TLS 1.2, signatures limited to RSA PKCS #1 v1.5:"
client_ok "openssl s_client TLS 1.2" s_client tls12.cnf -tls1_2 -client_sigalgs RSA+SHA256
client_ok "curl TLS 1.2" curl_client tls12.cnf --tls-max 1.2
client_ok "gnutls-cli TLS 1.2" gnutls_client --priority NORMAL:-VERS-TLS1.3
client_ok "tstclnt TLS 1.2" nss_client -V tls1.2:tls1.2 -J rsa_pkcs1_sha256 -Q

echo "Each client's defaults, and TLS 1.2 with OpenSSL's default signature algorithms:"
mechanism="PKCS#11 module:ERR_CKR_error:Mechanism invalid"
client_fails "openssl s_client TLS 1.3 asks the key for PSS" "$mechanism" \
  "tlsv1 alert internal error" s_client defaults.cnf
client_fails "openssl s_client TLS 1.2 defaults ask the key for PSS" "$mechanism" \
  "tlsv1 alert internal error" s_client defaults.cnf -tls1_2
client_fails "curl TLS 1.3 asks the key for PSS" "Mechanism invalid" "tlsv1 alert internal error" \
  curl_client defaults.cnf
client_fails "curl TLS 1.2 defaults ask the key for PSS" "Mechanism invalid" \
  "tlsv1 alert internal error" curl_client defaults.cnf --tls-max 1.2
client_fails "curl TLS 1.3 with PKCS #1 v1.5 only sends no certificate" "curl: (56)" \
  "peer did not return a certificate" curl_client tls12.cnf
client_fails "gnutls-cli TLS 1.3 sends no certificate" \
  "Fatal error: A TLS fatal alert has been received" "peer did not return a certificate" \
  gnutls_client --priority NORMAL
client_fails "tstclnt TLS 1.3 finds no suitable client certificate" \
  "Failed to load a suitable client certificate" "peer did not return a certificate" \
  nss_client -Q
# NSS asks the module which mechanisms it has and, finding no PSS, signs TLS 1.2 with PKCS #1 v1.5.
client_ok "tstclnt TLS 1.2 defaults" nss_client -V tls1.2:tls1.2 -Q

finish
