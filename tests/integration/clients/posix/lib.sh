# Shared by the client scripts (sourced): a private temporary folder removed on every exit, checks
# that are counted and reported, a soft key holding the customer's RSA 2048 key pair generated on
# the key (KQ_CreatePKCS10, through `kqtool request`) with the certificate that a throwaway
# OpenSSL CA issued for it (KQ_WritePKCS7, through `kqtool install`), and openssl s_server on
# 127.0.0.1 that stops by itself.
#
# The scripts are called as: SCRIPT BIN_DIR MODULE, where BIN_DIR holds kqtool and kqsim and MODULE
# is the PKCS #11 module. The PIN reaches the key only through the soft key's PIN-entry library
# (KQSIM_PIN in the environment): no URI, argument or file of the test carries it.
set -euo pipefail

# No program may ask on a terminal: NSS's tools ask the terminal to "Press Enter" before they log in
# to a token with a protected authentication path, and wait for ever when run from one (a developer
# running ctest). With a terminal, the script starts again in a session of its own, which has none;
# it ends with its starter (the parent-death signal) if that is killed.
if { : </dev/tty; } 2>/dev/null; then
  exec setsid --wait setpriv --pdeathsig TERM bash "$0" "$@"
fi

bin_dir=$(cd "$1" && pwd)
module=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/kq-clients.XXXXXX")
server_pid=""
failures=0
checks=0

cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
# CTest's timeout and Ctrl-C end the script through the EXIT trap too.
trap 'exit 143' TERM
trap 'exit 130' INT

# Nothing from the user's or the machine's settings: a home of our own (NSS's ~/.pki, curl's and
# GnuTLS's files), the soft keys, waits and UI log in the work folder.
export HOME=$work/home KQSIM_ROOT=$work/keys KQCSP_UI_LOG=$work/ui.log KQCSP_RUN_DIR=$work/run
export KQSIM_PIN=12345678
unset KQCSP_NOTIFY_SOCKET OPENSSL_CONF OPENSSL_ENGINES LD_LIBRARY_PATH
mkdir -p "$HOME" "$KQCSP_RUN_DIR"
cd "$work"

pass() { checks=$((checks + 1)); echo "ok    $1"; }
fail() {
  checks=$((checks + 1)) failures=$((failures + 1))
  echo "FAIL  $1"
  shift
  for log in "$@"; do
    [ -f "$log" ] && sed "s|^|      $(basename "$log"): |" "$log" | tail -n 25
  done
  return 0
}
# check NAME LOG... -- COMMAND...: passes when COMMAND succeeds; shows the logs when it does not.
check() {
  local name=$1 logs=()
  shift
  while [ "$1" != "--" ]; do logs+=("$1"); shift; done
  shift
  if "$@"; then pass "$name"; else fail "$name" "${logs[@]}"; fi
}
finish() {
  echo "$((checks - failures)) passed, $failures failed"
  [ "$failures" -eq 0 ]
}

# The throwaway CA, the server's certificate for 127.0.0.1, and the customer: a soft key whose key
# pair is generated on the key by KQ_CreatePKCS10 and whose certificate is installed by
# KQ_WritePKCS7. Sets media_id, token, object (the certificate's label) and token_uri.
customer_subject="CN=Test Customer,O=Demo Bank,C=CN,T=S"
enrol_customer() {
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
    -subj "/CN=Throwaway Test CA" 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=127.0.0.1" \
    2>/dev/null
  printf 'subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' >server.ext
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
    -extfile server.ext -out server.pem 2>/dev/null

  token="Customer Key"
  "$bin_dir/kqsim" create --family 73 --pin 12345678 --button none --label "$token" >/dev/null
  media_id=$("$bin_dir/kqsim" list | cut -f4 | cut -c1-12)
  "$bin_dir/kqtool" request --media-id "$media_id" --record "$customer_subject|RSA2048|SHA256|2" \
    --out-dir . >request.log
  printf 'extendedKeyUsage=clientAuth,emailProtection\nkeyUsage=critical,digitalSignature\n' \
    >customer.ext
  openssl x509 -req -inform DER -in request-1.der -CA ca.pem -CAkey ca.key -CAcreateserial \
    -days 2 -extfile customer.ext -out customer.pem 2>/dev/null
  "$bin_dir/kqtool" install --media-id "$media_id" --cert customer.pem >install.log

  object=$(pkcs11-tool --module "$module" --list-objects --type cert | sed -n 's/^ *label: *//p' |
    head -n 1)
  [ -n "$object" ] || { echo "the module lists no certificate on the key" >&2; return 1; }
  token_uri="pkcs11:token=${token// /%20};object=$object"
}

# An OpenSSL configuration that loads libp11's engine with MODULE_PATH (the module, or p11-kit's
# proxy when empty) and, with "tls12", the TLS 1.2 settings the key needs: RSA PKCS #1 v1.5
# signatures only.
write_openssl_conf() {
  local file=$1 settings=${2:-}
  {
    echo "openssl_conf = openssl_init"
    echo "[openssl_init]"
    echo "engines = engine_section"
    [ "$settings" != tls12 ] || echo "ssl_conf = ssl_section"
    echo "[engine_section]"
    echo "pkcs11 = pkcs11_section"
    echo "[pkcs11_section]"
    echo "engine_id = pkcs11"
    [ -z "$module" ] || echo "MODULE_PATH = $module"
    echo "init = 0"
    if [ "$settings" = tls12 ]; then
      echo "[ssl_section]"
      echo "system_default = tls12_section"
      echo "[tls12_section]"
      echo "MaxProtocol = TLSv1.2"
      echo "ClientSignatureAlgorithms = RSA+SHA256:RSA+SHA384:RSA+SHA512"
    fi
  } >"$file"
}

# start_server LOG [OPTIONS...]: openssl s_server on 127.0.0.1 at a port the system picks, asking
# for a client certificate from the CA; it answers one connection (-naccept 1) with a status page
# and ends, `timeout` ends it after 60 s whatever happens, and it ends with this script even when
# the script is killed outright (the parent-death signal: timeout passes it on to the server).
start_server() {
  local log=$1
  shift
  port=""
  setpriv --pdeathsig TERM timeout 60 setpriv --pdeathsig TERM \
    openssl s_server -accept 127.0.0.1:0 -naccept 1 -www -Verify 1 -verify_return_error \
    -CAfile ca.pem -cert server.pem -key server.key "$@" >"$log" 2>&1 </dev/null &
  server_pid=$!
  for _ in $(seq 100); do
    port=$(sed -n 's/^ACCEPT 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$log")
    [ -z "$port" ] || return 0
    sleep 0.05
  done
  echo "s_server did not start" >&2
  return 1
}
# Waits for the server to end (it does after its one connection); a server whose client never came
# is ended here.
stop_server() {
  if [ -n "$server_pid" ]; then
    local waited=0
    while kill -0 "$server_pid" 2>/dev/null && [ "$waited" -lt 50 ]; do
      sleep 0.1
      waited=$((waited + 1))
    done
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
  fi
}
# The server verified the customer's certificate and finished the handshake.
server_verified_customer() {
  grep -q "^depth=0 CN = Test Customer, O = Demo Bank, C = CN, title = S$" "$1" &&
    ! grep -q "verify error" "$1" && grep -q "^ *1 server accepts that finished$" "$1"
}
server_finished_none() {
  grep -q "^ *0 server accepts that finished$" "$1"
}

# in_p11kit MODULES_DIR COMMAND...: runs COMMAND with MODULES_DIR as p11-kit's only module
# configuration, in a private mount namespace, so the machine's own configuration is neither read
# nor touched. Run as root, p11-kit reads only the system's files: they are bind-mounted over.
in_p11kit() {
  local modules=$1
  shift
  mkdir -p "$work/empty"
  local namespace=(unshare --mount)
  [ "$(id -u)" -eq 0 ] || namespace=(unshare --mount --map-root-user)
  "${namespace[@]}" sh -c 'set -e
    mount --bind "$1" /usr/share/p11-kit/modules
    if [ -d /etc/pkcs11 ]; then mount --bind "$2" /etc/pkcs11; fi
    shift 2
    exec "$@"' sh "$modules" "$work/empty" "$@"
}
