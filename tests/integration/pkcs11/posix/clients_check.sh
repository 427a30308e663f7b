#!/usr/bin/env bash
# The PKCS #11 module under real clients nobody here wrote: OpenSC's pkcs11-tool, GnuTLS's
# p11tool, Python's PyKCS11 and the openssl command, on a soft key holding an RSA 2048 key pair
# and its certificate (enrolled through the tool exports and issued by a throwaway CA).
#   clients_check.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
module=$build/lib/libkqpkcs11.so
work=$(mktemp -d)
[ -n "${KQ_KEEP_WORK:-}" ] || trap 'rm -rf "$work"' EXIT; echo "work: $work"
export KQSIM_ROOT=$work/keys KQCSP_RUN_DIR=$work/run KQCSP_UI_LOG=$work/ui.log KQSIM_PIN=12345678
export LD_LIBRARY_PATH=$build/lib
export PYTHONDONTWRITEBYTECODE=1  # the scripts share script_checks.py: no cache in the sources
kqsim=$build/bin/kqsim
kqtool=$build/bin/kqtool
fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

# A throwaway CA, a soft key and an enrolled RSA 2048 key pair with its certificate.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -out "$work/ca.pem" -days 2 \
  -subj "/CN=Clients Check CA" 2>/dev/null
"$kqsim" create --label "clients check" >/dev/null
media=$("$kqtool" media-ids | grep -oE '[0-9A-Z]{12}' | head -1)
[ -n "$media" ] || fail "no media id"
mkdir -p "$work/requests"
"$kqtool" request --media-id "$media" --record "CN=Clients Check,O=Test Bank,C=CN|RSA2048|SHA256|1" \
  --out-dir "$work/requests" >/dev/null
request=$(ls "$work/requests"/* | head -1)
openssl req -in "$request" -inform DER -out "$work/request.pem" 2>/dev/null ||
  cp "$request" "$work/request.pem"
openssl x509 -req -in "$work/request.pem" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -CAcreateserial -days 1 -outform DER -out "$work/user.der" 2>/dev/null
"$kqtool" install --media-id "$media" --cert "$work/user.der" >/dev/null
openssl x509 -inform DER -in "$work/user.der" -pubkey -noout >"$work/user.pub"
step "pkcs11-tool --list-slots, --list-objects"
pkcs11-tool --module "$module" --list-slots >"$work/slots.txt"
grep -q "token label *: clients check" "$work/slots.txt" || fail "token label: $(cat "$work/slots.txt")"
pkcs11-tool --module "$module" --list-objects >"$work/objects.txt"
grep -q "Certificate Object" "$work/objects.txt" || fail "no certificate listed"
grep -q "Public Key Object; RSA 2048 bits" "$work/objects.txt" || fail "no public key listed"
if grep -q "Private Key Object" "$work/objects.txt"; then fail "private key listed without login"; fi

step "pkcs11-tool --login --test"
pkcs11-tool --module "$module" --login --pin 12345678 --test >"$work/test.txt" 2>&1 ||
  fail "pkcs11-tool --test: $(cat "$work/test.txt")"
grep -q "No errors" "$work/test.txt" || fail "pkcs11-tool --test: $(cat "$work/test.txt")"
grep -qi "signature" "$work/test.txt" || fail "no signature test ran: $(cat "$work/test.txt")"

step "pkcs11-tool --sign for each RSA mechanism, verified by openssl"
printf 'the data to sign' >"$work/data"
for pair in SHA1-RSA-PKCS:sha1 SHA256-RSA-PKCS:sha256 SHA384-RSA-PKCS:sha384 SHA512-RSA-PKCS:sha512; do
  mechanism=${pair%%:*}
  digest=${pair##*:}
  pkcs11-tool --module "$module" --login --pin 12345678 --sign --mechanism "$mechanism" \
    --input-file "$work/data" --output-file "$work/sig" >/dev/null 2>&1 || fail "sign $mechanism"
  openssl dgst "-$digest" -verify "$work/user.pub" -signature "$work/sig" "$work/data" >/dev/null ||
    fail "openssl rejects $mechanism"
done
# CKM_RSA_PKCS over a DigestInfo the caller built.
openssl dgst -sha256 -binary "$work/data" >"$work/digest"
printf '\x30\x31\x30\x0d\x06\x09\x60\x86\x48\x01\x65\x03\x04\x02\x01\x05\x00\x04\x20' |
  cat - "$work/digest" >"$work/digestinfo"
pkcs11-tool --module "$module" --login --pin 12345678 --sign --mechanism RSA-PKCS \
  --input-file "$work/digestinfo" --output-file "$work/sig" >/dev/null 2>&1 || fail "sign RSA-PKCS"
openssl dgst -sha256 -verify "$work/user.pub" -signature "$work/sig" "$work/data" >/dev/null ||
  fail "openssl rejects RSA-PKCS"

step "p11tool --list-all, --test-sign"
export GNUTLS_PIN=12345678
p11tool --provider "$module" --list-all >"$work/p11tool.txt" 2>&1 || fail "p11tool --list-all"
url=$(p11tool --provider "$module" --list-all-privkeys --login 2>/dev/null |
  grep -oE 'pkcs11:[^ ]*type=private' | head -1)
[ -n "$url" ] || url=$(p11tool --provider "$module" --list-token-urls | head -1)
p11tool --provider "$module" --login --test-sign "$url" >"$work/testsign.txt" 2>&1 ||
  fail "p11tool --test-sign: $(cat "$work/testsign.txt")"

step "pkcs11-tool --test-fork"
pkcs11-tool --module "$module" --login --pin 12345678 --test-fork >"$work/fork.txt" 2>&1 ||
  fail "pkcs11-tool --test-fork: $(cat "$work/fork.txt")"

step "pkcs11-tool --keypairgen, --write-object; the new key through KQ_GetSignature and CPSignHash"
p11() { pkcs11-tool --module "$module" --login --pin 12345678 "$@"; }
p11 --keypairgen --key-type rsa:1024 >"$work/keypairgen.txt" 2>&1 ||
  fail "--keypairgen: $(cat "$work/keypairgen.txt")"
new_id=$(grep -m1 -oE 'ID: +[0-9a-f]+' "$work/keypairgen.txt" | awk '{print $2}')
container=$(grep -m1 -oE 'label: +[0-9a-f-]{36}' "$work/keypairgen.txt" | awk '{print $2}')
[ -n "$new_id" ] && [ -n "$container" ] || fail "no id or label: $(cat "$work/keypairgen.txt")"
p11 --read-object --type pubkey --id "$new_id" --output-file "$work/new.pub.der" >/dev/null 2>&1
openssl pkey -pubin -inform DER -in "$work/new.pub.der" -out "$work/new.pub" || fail "public key"
# A certificate for the token's key: a throwaway request whose key openssl replaces.
openssl req -new -newkey rsa:1024 -nodes -keyout "$work/throwaway.key" -subj "/CN=Made By PKCS11" \
  -out "$work/throwaway.csr" 2>/dev/null
openssl x509 -req -in "$work/throwaway.csr" -force_pubkey "$work/new.pub" -CA "$work/ca.pem" \
  -CAkey "$work/ca.key" -CAcreateserial -days 1 -outform DER -out "$work/new.der" 2>/dev/null
p11 --write-object "$work/new.der" --type cert --id "$new_id" >"$work/write.txt" 2>&1 ||
  fail "--write-object: $(cat "$work/write.txt")"
"$kqtool" sign --subject "CN=Made By PKCS11" --data "cross-front data" --hash SHA256 \
  --signature-out "$work/kq.sig" >/dev/null || fail "KQ_GetSignature with the new key"
printf 'cross-front data' >"$work/cross"
openssl dgst -sha256 -verify "$work/new.pub" -signature "$work/kq.sig" "$work/cross" >/dev/null ||
  fail "openssl rejects KQ_GetSignature's signature"
"$kqtool" csp --container "$container" sign-hash --alg sha256 --data "cross-front data" \
  --spec signature --out-reversed "$work/csp.sig" >/dev/null || fail "CPSignHash with the new key"
openssl dgst -sha256 -verify "$work/new.pub" -signature "$work/csp.sig" "$work/cross" >/dev/null ||
  fail "openssl rejects CPSignHash's signature"

step "pkcs11-tool --delete-object"
p11 --delete-object --type cert --id "$new_id" >/dev/null 2>&1 || fail "--delete-object cert"
p11 --delete-object --type privkey --id "$new_id" >/dev/null 2>&1 || fail "--delete-object key"
pkcs11-tool --module "$module" --list-objects >"$work/after.txt" 2>&1
if grep -q "Made By PKCS11" "$work/after.txt"; then fail "the certificate is still listed"; fi
[ "$("$kqsim" check key00)" = consistent ] || fail "the store does not hang together: $("$kqsim" check key00)"

step "PyKCS11: the SM2 and transaction mechanisms"
# An SM2 key pair beside the RSA one (the device usage the generated pair had); its public key
# from its request.
mkdir -p "$work/sm2-requests"
"$kqtool" request --media-id "$media" --record "CN=Clients Check SM2,T=Ex|SM2|SM3|3" \
  --out-dir "$work/sm2-requests" >/dev/null
sm2_request=$(ls "$work/sm2-requests"/* | head -1)
openssl req -in "$sm2_request" -pubkey -noout >"$work/sm2.pub" 2>/dev/null ||
  openssl req -inform DER -in "$sm2_request" -pubkey -noout >"$work/sm2.pub"

/usr/bin/python3 "$source_dir/tests/integration/pkcs11/posix/vendor_mechanisms.py" "$module" "$work" \
  "$kqsim" key00 || fail "PyKCS11"

step "PyKCS11: the key changed behind the module"
openssl x509 -req -in "$work/request.pem" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -CAcreateserial -days 2 -outform DER -out "$work/renewal.der" 2>/dev/null
mkdir -p "$work/elsewhere"
changed="$source_dir/tests/integration/pkcs11/posix/key_changed_elsewhere.py"
/usr/bin/python3 "$changed" "$module" "$work" "$kqsim" "$kqtool" key00 "$media" ||
  fail "the key changed behind the module"
/usr/bin/python3 "$changed" "$module" "$work" "$kqsim" "$kqtool" key00 "$media" wait-finalize ||
  fail "C_Finalize with a thread waiting for slot events"

step "PyKCS11: a session whose key was swapped for another"
/usr/bin/python3 "$source_dir/tests/integration/pkcs11/posix/token_swapped.py" "$module" "$kqsim" \
  "$work" || fail "a session on a swapped key"

step "PyKCS11: a pair a strict key keeps for transactions"
# A key of its own that enforces usages; its usage-2 pair is enrolled through the tool exports.
strict=(env KQSIM_ROOT="$work/strict-keys")
"${strict[@]}" "$kqsim" create --strict-usage >/dev/null
strict_media=$("${strict[@]}" "$kqtool" media-ids | grep -oE '[0-9A-Z]{12}' | head -1)
mkdir -p "$work/strict-requests"
"${strict[@]}" "$kqtool" request --media-id "$strict_media" \
  --record "CN=Clients Strict,T=S|RSA1024|SHA256|2" \
  --out-dir "$work/strict-requests" >/dev/null || fail "the strict key's enrolment"
"${strict[@]}" /usr/bin/python3 - "$module" <<'PYTHON' || fail "a transaction-only pair"
import sys
import PyKCS11
lib = PyKCS11.PyKCS11Lib()
lib.load(sys.argv[1])
session = lib.openSession(lib.getSlotList(tokenPresent=True)[0])
session.login("12345678")
key, = session.findObjects([(PyKCS11.CKA_CLASS, PyKCS11.CKO_PRIVATE_KEY)])
try:
    session.sign(key, b"data", PyKCS11.Mechanism(PyKCS11.CKM_SHA256_RSA_PKCS, None))
    sys.exit("a transaction-only pair signed a digest")
except PyKCS11.PyKCS11Error as error:
    if error.value != PyKCS11.CKR_KEY_FUNCTION_NOT_PERMITTED:
        sys.exit(f"a digest on a transaction-only pair: {error}")
print("  ok: a transaction-only pair refuses a digest with CKR_KEY_FUNCTION_NOT_PERMITTED")
PYTHON

echo "all clients passed"
