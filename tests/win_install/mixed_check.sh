#!/usr/bin/env bash
# Both architectures on one key, as on a 64-bit PC with 32-bit and 64-bit programs: the 32-bit
# and the 64-bit build deployed side by side (SysWOW64 and system32, both registry views), the
# programs copied into folders of their own so that they reach the deployed DLLs.
#   1. the 32-bit kqtool.exe enrols (request), an openssl CA issues the certificate, the 64-bit
#      kqtool.exe installs it on the key and into the user's store; a 32-bit and a 64-bit program
#      then sign with it through CryptSignMessage, and crypt32 verifies each signature;
#   2. a 32-bit and a 64-bit kqtool.exe enrol at once, several times over, on the one key, each
#      with a temporary folder of its own: every request is made, every key pair is on the key,
#      and `kqsim check` finds nothing wrong; the key's lock file is the machine's.
#   mixed_check.sh X86_BUILD_DIR X64_BUILD_DIR DEPS_DIR
set -euo pipefail
x86_build=$(cd "$1" && pwd)
x64_build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/own_prefix.sh"
start_own_prefix "$3"
wineserver -k
KQ_WINE_PREFIX="$WINEPREFIX" KQ_DEPS_DIR="$3" bash "$here/../../scripts/wine-prefix.sh" \
  "$x86_build" "$x64_build" >/dev/null
for arch in x86 x64; do
  build="$x86_build"
  [ "$arch" = x64 ] && build="$x64_build"
  mkdir -p "$work/$arch"
  cp "$build/bin/kqtool.exe" "$build/bin/win_store_probe.exe" "$work/$arch/"
done
mkdir -p "$work/keys"
export KQSIM_ROOT KQSIM_PIN=12345678
KQSIM_ROOT=$(win_path "$work/keys")
cd "$work"
wine "$x64_build/bin/kqsim.exe" create --family 73 --pin 12345678 --button ok >/dev/null ||
  fail "kqsim create"

echo "== 1. a 32-bit enrolment, a 64-bit installation, signatures from both"
wine x86/kqtool.exe request --media-id 730000000001 --out-dir "$(win_path "$work")" \
  --record "CN=Mixed Signer,O=Demo Bank,C=CN,T=S|RSA2048|SHA256|2" >/dev/null ||
  fail "the 32-bit kqtool.exe request"
openssl req -new -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -subj "/CN=Test CA" \
  -days 2 2>/dev/null
openssl x509 -req -inform DER -in request-1.der -CA ca.pem -CAkey ca.key -CAcreateserial \
  -out signer.pem -days 2 2>/dev/null || fail "the CA refused the 32-bit request"
wine x64/kqtool.exe install --media-id 730000000001 --cert "$(win_path "$work/signer.pem")" \
  >/dev/null || fail "the 64-bit kqtool.exe install"
wine x64/kqtool.exe store-certs >/dev/null || fail "the 64-bit kqtool.exe store-certs"
for arch in x86 x64; do
  (cd "$arch" && wine win_store_probe.exe sign "Mixed Signer") || fail "a $arch program signing"
done

echo "== 2. a 32-bit and a 64-bit enrolment at once"
# A key holds one pair per usage: each round has a fresh key, on which the 32-bit kqtool.exe asks
# for a signature pair (usage 2) while the 64-bit one asks for an exchange pair (usage 3).
rounds=3
for round in $(seq 1 "$rounds"); do
  media="73000000010$round"
  key=$(wine "$x64_build/bin/kqsim.exe" create --serial "$media" --pin 12345678 --button ok) ||
    fail "kqsim create (round $round)"
  key=${key%$'\r'}
  for arch in x86 x64; do
    mark=S usage=2
    [ "$arch" = x64 ] && mark=Ex usage=3
    mkdir -p "$work/out-$arch-$round" "$work/temp-$arch"
    # Each with a temporary folder of its own, as a low integrity plug-in (Temp\Low), another user
    # or a service has: the key's lock must order them all the same.
    temp=$(win_path "$work/temp-$arch")
    record="CN=$arch $round,O=Demo Bank,C=CN,T=$mark|RSA1024|SHA256|$usage"
    printf '%s\r\n' "@set TEMP=$temp" "@set TMP=$temp" "@$arch\\kqtool.exe request \
--media-id $media --out-dir \"$(win_path "$work/out-$arch-$round")\" --record \"$record\"" \
      >"$work/request-$arch.bat"
    wine cmd /c "request-$arch.bat" >"$work/out-$arch-$round.log" 2>&1 &
  done
  wait
  for arch in x86 x64; do
    openssl req -inform DER -in "$work/out-$arch-$round/request-1.der" -noout -verify \
      >/dev/null 2>&1 || {
      cat "$work/out-$arch-$round.log" >&2
      fail "the $arch enrolment of round $round"
    }
  done
  # Both pairs are on the key, and its store hangs together.
  pairs=$(wine "$x64_build/bin/kqsim.exe" store "$key" | grep -c "(public key)" || true)
  [ "$pairs" = 2 ] || fail "round $round: 2 public keys expected on $key, $pairs found"
  check=$(wine "$x64_build/bin/kqsim.exe" check "$key" 2>&1) || {
    echo "$check" >&2
    fail "kqsim check $key (round $round)"
  }
  echo "round $round: both enrolments on $key; kqsim check: ${check%$'\r'}"
done
# The lock files are the machine's (C:\ProgramData\KQVN\locks), in neither temporary folder.
ls "$WINEPREFIX/drive_c/ProgramData/KQVN/locks" | grep -q "^kqcsp-key-.*\.lock$" ||
  fail "no key lock file in C:\\ProgramData\\KQVN\\locks"
! ls "$work/temp-x86" "$work/temp-x64" | grep -q "^kqcsp-key-" ||
  fail "a key lock file in a process's temporary folder"
echo "mixed-architecture checks passed"
