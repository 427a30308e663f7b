#!/usr/bin/env bash
# The provider where no window can be made: a prefix of its own, no X display, and its desktop
# process started without one (as a service or a locked-down session has it). The countdown
# dialog cannot be made there, so every wait goes on with the key alone:
#   1. `kqtool.exe demo` passes every step;
#   2. CryptGenKey through advapi32, KQ_CreatePKCS10 and a transaction signature (KQ_GetSignature)
#      end as the key's button decides: OK succeeds, C and the key's timeout give the codes that
#      the same calls give on Linux; the UI log has one NOWINDOW line per wait;
#   3. `kqtool cancel-waits` ends a wait that has no window, as it ends one that has.
#   nowindow_check.sh BIN_DIR DEPS_DIR SOURCE_DIR [PROBE]
# (x64 by default; the script takes the build's folder, so a 32-bit build runs it the same way.)
set -euo pipefail
bin_dir=$1
source_dir=$3
probe=${4:-$bin_dir/win_nowindow_probe.exe}
unset DISPLAY WAYLAND_DISPLAY
. "$(dirname "$0")/own_prefix.sh"
start_own_prefix "$2"
system32="$WINEPREFIX/drive_c/windows/system32"
for dll in kqcsp.dll KQORV_Zantu.dll KQORVUI.dll; do cp "$bin_dir/$dll" "$system32/"; done
cmake -DCMAKE_INSTALL_PREFIX="C:/windows" -DKQ_PROVIDER_FILE="system32/kqcsp.dll" \
  -DKQ_REGISTRY_FILE="$work/kqcsp.reg" -DKQ_WINDOWS=1 -DKQ_LANGUAGE_ID=1033 \
  -P "$source_dir/cmake/KqInstallRegistry.cmake" >/dev/null
# regedit starts the prefix's desktop process, here without a display: every program after it
# joins that desktop and can make no window.
wine regedit /S "$work/kqcsp.reg" >/dev/null 2>&1

echo "== 1. kqtool.exe demo"
wine "$bin_dir/kqtool.exe" demo >"$work/demo.txt" 2>&1 || { cat "$work/demo.txt"; fail "demo"; }
grep -q "all 18 steps passed" "$work/demo.txt" || { cat "$work/demo.txt"; fail "demo steps"; }
grep -q "no window could be made" "$work/demo.txt" || fail "the demo's waits had windows"

echo "== 2. each wait ends as the key's button decides"
mkdir -p "$work/keys" "$work/out"
KQSIM_ROOT=$(win_path "$work/keys")
KQCSP_UI_LOG=$(win_path "$work/ui.log")
export KQSIM_ROOT KQCSP_UI_LOG KQSIM_PIN=12345678
media=731234567890
wine "$bin_dir/kqsim.exe" create --name k --serial "$media" --pin 12345678 >/dev/null
status() { sed -n 's/.*"hex": "\(0x[0-9A-F]*\)".*/\1/p' | head -n 1; }
expect() {
  [ "$2" = "$3" ] || fail "$1: $2, expected $3"
  echo "$1: $2"
}
# policy, then the codes of CryptGenKey, KQ_CreatePKCS10 and KQ_GetSignature for it (as on
# Linux: a request counts a cancel and a timeout as 16, the signature export both as a cancel).
# The cancelled and timed-out requests come first: the confirmed one takes the usage.
cases=("cancel:2 0x8010006E 0x00000010 0x8010006E"
  "timeout:3 0x8010000A 0x00000010 0x8010006E"
  "ok:2 0x00000000 0x00000000 0x00000000")
n=0
for c in "${cases[@]}"; do
  read -r policy genkey request _ <<<"$c"
  n=$((n + 1))
  wine "$bin_dir/kqsim.exe" button k "$policy" >/dev/null
  got=$(wine "$probe" genkey "probe$n" | sed -n 's/^CryptGenKey: [A-Z]* //p' | tr -d '\r')
  expect "CryptGenKey on $policy" "$got" "$genkey"
  wine "$bin_dir/kqsim.exe" button k "$policy" >/dev/null
  wine "$bin_dir/kqtool.exe" --json request --media-id "$media" \
    --record "CN=Request $n,T=Ex|RSA1024|SHA256|3" >"$work/request.json" || true
  expect "KQ_CreatePKCS10 on $policy" "$(status <"$work/request.json")" "$request"
done

# A certificate for a signing pair, issued by a throwaway openssl CA, for the signatures.
wine "$bin_dir/kqsim.exe" button k ok:1 >/dev/null
wine "$bin_dir/kqtool.exe" request --media-id "$media" --record "CN=Signer,T=S|RSA1024|SHA256|2" \
  --out-dir "$(win_path "$work/out")" >/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -out "$work/ca.pem" \
  -subj /CN=CA -days 2 2>/dev/null
openssl x509 -req -inform DER -in "$work/out/request-1.der" -CA "$work/ca.pem" \
  -CAkey "$work/ca.key" -set_serial 7 -days 2 -out "$work/signer.pem" 2>/dev/null
wine "$bin_dir/kqtool.exe" install --media-id "$media" --cert "$(win_path "$work/signer.pem")" \
  >/dev/null || fail "install"
subject=$(wine "$bin_dir/kqtool.exe" --json list --media-id "$media" |
  sed -n 's/^ *"\(CN=Signer[^"]*\)".*/\1/p' | head -n 1)
[ -n "$subject" ] || fail "the signer's certificate is not listed"
for c in "${cases[@]}"; do
  read -r policy _ _ sign <<<"$c"
  wine "$bin_dir/kqsim.exe" button k "$policy" >/dev/null
  wine "$bin_dir/kqtool.exe" --json sign --subject "$subject" --hash SHA256 \
    --transaction "0001|Pay 1.00 CNY|ref 1" >"$work/sign.json" || true
  expect "KQ_GetSignature on $policy" "$(status <"$work/sign.json")" "$sign"
done

echo "== 3. the exit request ends a wait without a window"
wine "$bin_dir/kqsim.exe" button k manual:600 >/dev/null
# The earlier signatures left WAIT lines of their own: wait for this one's first line.
before=$(grep -c "^WAIT 1 " "$work/ui.log" || true)
start=$(date +%s)
timeout 150 wine "$bin_dir/kqtool.exe" --json sign --subject "$subject" --hash SHA256 \
  --transaction "0001|Pay 2.00 CNY|ref 2" >"$work/cancelled.json" 2>/dev/null &
signer=$!
for _ in $(seq 1 100); do
  [ "$(grep -c "^WAIT 1 " "$work/ui.log" || true)" -gt "$before" ] && break
  sleep 0.2
done
sleep 1
timeout 60 wine "$bin_dir/kqtool.exe" cancel-waits >/dev/null || fail "cancel-waits did not end"
wait "$signer" || true
expect "KQ_GetSignature ended by cancel-waits" "$(status <"$work/cancelled.json")" 0x8010006E
last=$(grep "^WAITEND " "$work/ui.log" | tail -n 1 | tr -d '\r')
expect "the wait's end" "$last" "WAITEND 1 2"
[ $(($(date +%s) - start)) -lt 30 ] || fail "the wait did not end at the exit request"

waits=$(grep -c "^NOWINDOW " "$work/ui.log" || true)
[ "$waits" -ge 10 ] || fail "$waits NOWINDOW lines in the UI log, expected one per wait"
grep -q "^NOWINDOW 2 " "$work/ui.log" && grep -q "^NOWINDOW 1 " "$work/ui.log" ||
  fail "no NOWINDOW line for key generation (2) or transaction signing (1)"
echo "all waits without a window ended as the key decided"
