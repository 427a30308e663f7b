#!/usr/bin/env bash
# kqtool as a user runs it, on a soft key that enforces its usages (kqsim create --strict-usage).
# 1. No PIN on the command line: --old, --new and --pin are refused (exit status 2) before the key
#    is reached; while change-pin waits for the key's button, /proc/<pid>/cmdline holds no PIN;
#    the PINs come one a line from standard input, --pin-fd or --pin-file.
# 2. The transaction key (usage 2) signs only transactions: CPSignHash of a digest fails with
#    NTE_FAIL and KQ_GetSignature of plain data with 2020; the transaction itself is signed through
#    both after the button, and openssl verifies both signatures with the issued certificate.
# 3. The key stays logged in after kqtool has ended, until it is unplugged (kept as designed).
#   pins_and_strict_key.sh BIN_DIR
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KQSIM_ROOT="$work/keys" KQSIM_PIN=12345678 KQCSP_UI_LOG="$work/ui.log"
export KQCSP_RUN_DIR="$work/run" KQCSP_REGISTRY="$work/none.reg"
mkdir -p "$KQSIM_ROOT" "$KQCSP_RUN_DIR" "$work/out"
cd "$work"
media=739000000042
"$bin/kqsim" create --name strict --serial "$media" --button ok:1 --strict-usage >/dev/null
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
key_pin() { sed -n 's/^pin=//p' "$KQSIM_ROOT/strict/key.conf"; }

# 1. PINs.
for args in "change-pin --media-id $media --old 12345678 --new 87654321" \
  "change-pin --media-id $media --new=87654321" "csp --verify-context set-pin --pin 12345678"; do
  "$bin/kqsim" counters strict --clear >/dev/null
  status=0
  # shellcheck disable=SC2086
  out=$("$bin/kqtool" $args 2>&1 </dev/null) || status=$?
  [ "$status" = 2 ] || fail "$args: exit status $status"
  case "$out" in *"is refused"*"--pin-file FILE"*) ;; *) fail "$args: $out" ;; esac
  calls=$("$bin/kqsim" counters strict)
  case "$calls" in *ZANT_*) fail "$args reached the key: $calls" ;; esac
done
[ "$(key_pin)" = "$(hex 12345678)" ] || fail "the PIN changed"

"$bin/kqsim" button strict manual >/dev/null
printf '12345678\n87654321\n' | "$bin/kqtool" change-pin --media-id "$media" >"$work/change.out" 2>&1 &
pid=$!
for _ in $(seq 1 400); do
  ui=$(cat "$KQCSP_UI_LOG" 2>/dev/null || true)
  case "$ui" in *"WAIT 5 "*) break ;; esac
  sleep 0.025
done
cmdline=$(tr '\0' ' ' <"/proc/$pid/cmdline")
case "$cmdline" in *12345678* | *87654321*) fail "a PIN in the command line: $cmdline" ;; esac
"$bin/kqsim" press strict ok >/dev/null
wait "$pid" || fail "change-pin: $(cat "$work/change.out")"
[ "$(key_pin)" = "$(hex 87654321)" ] || fail "the PIN from standard input was not set"
"$bin/kqsim" button strict ok:1 >/dev/null
printf '87654321\r\n11112222\n' >"$work/pins.txt"
"$bin/kqtool" change-pin --media-id "$media" --pin-file "$work/pins.txt" >/dev/null 2>&1 ||
  fail "change-pin --pin-file"
"$bin/kqtool" change-pin --media-id "$media" --pin-fd 3 3< <(printf '11112222\n12345678') \
  >/dev/null 2>&1 || fail "change-pin --pin-fd"
[ "$(key_pin)" = "$(hex 12345678)" ] || fail "the PINs from the file and the descriptor"

# 2. The transaction key of a strict key.
"$bin/kqtool" --json request --media-id "$media" --record "CN=payer,T=S|RSA1024|SHA256|2" \
  --out-dir "$work/out" >/dev/null 2>&1 || fail "request"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -subj /CN=ca -days 2 \
  >/dev/null 2>&1
openssl x509 -req -inform DER -in out/request-1.der -CA ca.pem -CAkey ca.key -set_serial 7 \
  -days 2 -out payer.pem >/dev/null 2>&1 || fail "issue"
"$bin/kqtool" install --media-id "$media" --cert payer.pem >/dev/null 2>&1 || fail "install"
openssl x509 -in payer.pem -pubkey -noout >payer.pub
container=$("$bin/kqtool" --json csp --verify-context containers 2>/dev/null |
  sed -n '/"containers": \[/{n;s/^ *"\([^"]*\)".*/\1/p;}')
[ -n "$container" ] || fail "no container"

status=0
out=$("$bin/kqtool" csp --container "$container" user-key sign-hash --alg sha256 --data "pay 100" \
  2>&1) || status=$?
case "$status:$out" in 1:*NTE_FAIL*) ;; *) fail "CPSignHash of a digest: $status $out" ;; esac
status=0
out=$("$bin/kqtool" sign --subject "CN=payer, T=S" --data "pay 100" 2>&1) || status=$?
case "$status:$out" in 1:*2020*) ;; *) fail "KQ_GetSignature of plain data: $status $out" ;; esac

second="Pay 100.00 to 6222 0000 1111"
third="reference 42"
fields="0001|$second|$third"
printf '02%016d%s01%016d%s00%016d%s' 4 0001 ${#second} "$second" ${#third} "$third" >message.bin
"$bin/kqsim" counters strict --clear >/dev/null
"$bin/kqtool" csp --container "$container" user-key sign-hash --alg sha256 --transaction "$fields" \
  --out-reversed csp.sig >/dev/null 2>&1 || fail "CPSignHash of the transaction"
"$bin/kqtool" sign --subject "CN=payer, T=S" --hash SHA256 --transaction "$fields" \
  --signature-out tool.sig >/dev/null 2>&1 || fail "KQ_GetSignature of the transaction"
for signature in csp.sig tool.sig; do
  openssl dgst -sha256 -verify payer.pub -signature "$signature" message.bin >/dev/null ||
    fail "openssl does not verify $signature"
done
calls=$("$bin/kqsim" counters strict)
case "$calls" in *"ZANT_RSAPrivateSignEx"*2*) ;; *) fail "not signed on the key: $calls" ;; esac
# 3. Kept as designed (docs/security.md).
case "$("$bin/kqsim" show strict)" in *"verified    yes"*) ;; *) fail "the key logged out" ;; esac
"$bin/kqsim" replug strict >/dev/null
case "$("$bin/kqsim" show strict)" in *"verified    no"*) ;; *) fail "still logged in" ;; esac
echo "PINs off the command line; the strict key's transaction key signs transactions only"
