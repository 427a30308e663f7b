#!/usr/bin/env bash
# The soak run: four processes on one soft key at once, on the AddressSanitizer build:
#   two sign in a loop (CPAcquireContext ... CPSignHash, and KQ_GetSignature),
#   one enrols and deletes (KQ_CreatePKCS10, KQ_WritePKCS7, KQ_DeleteTempKeyOrCert),
#   one lists (KQ_GetAllCertDN and PP_ENUMCONTAINERS).
# Then: every signature verifies with openssl, no device handle is open, the key's file count is
# back where it started, `kqsim check` is clean, AddressSanitizer reports no leak (a leak fails
# the worker), and each process's resident memory grew by less than 2 MiB from its hundredth
# operation to its last.
#   scripts/soak.sh                 # 1,000 signatures and 50 enrol-and-delete cycles (CI)
#   scripts/soak.sh --minutes N     # rounds of the same until N minutes have passed
#   scripts/soak.sh --build DIR     # another build folder (default build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-asan
minutes=0
while [ $# -gt 0 ]; do
  case $1 in
    --minutes) minutes=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "usage: scripts/soak.sh [--minutes N] [--build DIR]" >&2; exit 2 ;;
  esac
done
bin=$(cd "$build/bin" && pwd)
export LD_LIBRARY_PATH="$(cd "$build/lib" && pwd)"
# AddressSanitizer keeps up to 256 MiB of freed memory in quarantine to catch later uses of it, so
# under it resident memory measures the quarantine filling up, not the program: none is kept.
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=0:${ASAN_OPTIONS:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KQSIM_ROOT="$work/keys" KQSIM_PIN=12345678 KQCSP_UI_LOG="$work/ui.log"
export KQCSP_RUN_DIR="$work/run" KQCSP_REGISTRY="$work/registry.reg"
mkdir -p "$KQSIM_ROOT" "$KQCSP_RUN_DIR" "$work/out" "$work/signatures"
fail() { echo "soak: FAILED: $*" >&2; exit 1; }
key=soak
media=739900000001
signatures=${KQ_SOAK_SIGNATURES:-500}  # per signing process
cycles=${KQ_SOAK_CYCLES:-50}
listings=${KQ_SOAK_LISTINGS:-200}
"$bin/kqsim" create --name $key --serial $media --pin 12345678 --button none >/dev/null

# The signer's key pair and certificate, from a throwaway openssl CA.
"$bin/kqtool" request --media-id $media --record "CN=Soak Signer|RSA2048|SHA256|1" \
  --out-dir "$work/out" >/dev/null || fail "request"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -out "$work/ca.pem" \
  -subj /CN=Soak-CA -days 2 2>/dev/null
openssl x509 -req -inform DER -in "$work/out/request-1.der" -CA "$work/ca.pem" \
  -CAkey "$work/ca.key" -set_serial 1 -days 2 -out "$work/signer.pem" 2>/dev/null
openssl x509 -in "$work/signer.pem" -pubkey -noout >"$work/signer.pub"
"$bin/kqtool" install --media-id $media --cert "$work/signer.pem" >/dev/null || fail "install"
container=$("$bin/kqtool" --json csp --verify-context containers |
  sed -n '/"containers"/,/]/p' | sed -n 's/^ *"\([^"]*\)",\{0,1\}$/\1/p' | head -n 1)
[ -n "$container" ] || fail "no container for the CryptoAPI signer"
files_before=$("$bin/kqsim" files $key | grep -c '^file ' || true)

# One round: 500 + 500 signatures, 50 enrol-and-delete cycles, 200 listings, all at once.
round() {
  local dir=$1
  mkdir -p "$dir"
  "$bin/soak_worker" csp-sign $signatures $media "$dir" "$container" >"$dir/csp.txt" 2>&1 &
  local a=$!
  "$bin/soak_worker" tool-sign $signatures $media "$dir" "CN=Soak Signer" >"$dir/tool.txt" 2>&1 &
  local b=$!
  "$bin/soak_worker" enrol $cycles $media "$dir" >"$dir/enrol.txt" 2>&1 &
  local c=$!
  "$bin/soak_worker" list $listings $media "$dir" >"$dir/list.txt" 2>&1 &
  local d=$!
  local status=0
  for pid in $a $b $c $d; do wait "$pid" || status=1; done
  cat "$dir"/csp.txt "$dir"/tool.txt "$dir"/enrol.txt "$dir"/list.txt | grep -v '^$' || true
  return $status
}

start=$(date +%s)
rounds=0
while :; do
  rounds=$((rounds + 1))
  dir="$work/signatures/round-$rounds"
  round "$dir" || fail "a worker failed (see its line above)"
  bad=0
  total=0
  for sig in "$dir"/*.sig; do
    total=$((total + 1))
    openssl dgst -sha256 -verify "$work/signer.pub" -signature "$sig" "${sig%.sig}.msg" \
      >/dev/null 2>&1 || bad=$((bad + 1))
  done
  [ "$bad" -eq 0 ] || fail "$bad of $total signatures do not verify"
  for worker in csp tool enrol list; do
    read -r growth <<<"$(awk '{ print $9 - $7 }' "$dir/$worker.txt")"
    [ "$growth" -lt 2048 ] || fail "$worker: resident memory grew by $growth KiB"
  done
  rm -f "$dir"/*.sig "$dir"/*.msg
  elapsed=$(($(date +%s) - start))
  [ $((elapsed / 60)) -lt "$minutes" ] || break
done
open=$("$bin/kqsim" counters $key | awk '$1 == "handles_open" { print $2 }')
[ "${open:-x}" = 0 ] || fail "open device handles: ${open:-unknown}"
files_after=$("$bin/kqsim" files $key | grep -c '^file ' || true)
[ "$files_after" -eq "$files_before" ] || fail "files: $files_before before, $files_after after"
"$bin/kqsim" check $key >/dev/null || fail "kqsim check: $("$bin/kqsim" check $key)"
echo "soak: $rounds round(s) in $(($(date +%s) - start)) s: $((rounds * 2 * signatures))" \
  "signatures verified, $((rounds * cycles)) enrol-and-delete cycles, 0 failures, 0 open handles," \
  "$files_after files as before, kqsim check clean, no worker reported a leak"
