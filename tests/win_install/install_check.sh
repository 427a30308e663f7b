#!/usr/bin/env bash
# The installer as a bank deploys it, under Wine's msiexec, in a prefix of its own:
#   1. a default install leaves a maker's device library of our name alone, and its uninstall
#      removes every file and value of ours while a value placed beside ours stays;
#   2. with the soft key (ADDLOCAL=ALL), KQ_CheckDriver and KQ_CheckCSP say 1; a certificate that
#      an openssl CA issued for the key, copied into the user's "MY" store by kqtool, signs a
#      message through the installed provider, reached by its name from a program in another
#      folder as mail clients do, and crypt32 verifies it; kqtool takes the certificate out again
#      once its key is gone;
#   3. version N+1 over version N leaves one registered product, with N+1's files;
#   and before these, both packages and every file in them are signed with a throwaway
#   code-signing CA (scripts/sign-windows.sh) and pass `osslsigncode verify` against it, the
#   password shows nowhere in the build tree, and an unsigned build says so once.
#   install_check.sh VERSION BIN_DIR DEPS_DIR PACKAGING_DIR
set -euo pipefail
version=$1
bin_dir=$2
packaging=$4
. "$(dirname "$0")/own_prefix.sh"
. "$(dirname "$0")/throwaway_signer.sh"
unset KQ_SIGN_PKCS12 KQ_SIGN_PASSWORD KQ_SIGN_PASSWORD_FILE KQ_SIGN_TIMESTAMP_URL
start_own_prefix "$3"
system32="$WINEPREFIX/drive_c/windows/system32"
program_files="$WINEPREFIX/drive_c/Program Files/KQCSP"
provider_key='HKLM\SOFTWARE\Microsoft\Cryptography\Defaults\Provider\KQCSP For ORV v2.0'
product_key='HKLM\SOFTWARE\KQVN\Orvenia'
has_value() { wine reg query "$1" /v "$2" >/dev/null 2>&1; }

# Version N+1 is the build itself; version N is the same build with its provider file changed
# (a byte appended), so that the upgrade shows which file it left.
next_version="${version%.*}.$((${version##*.} + 1))"
mkdir -p "$work/old-bin"
cp "$bin_dir"/{kqcsp.dll,KQORV_Zantu.dll,KQORVUI.dll,kqtool.exe,kqsim.exe} "$work/old-bin/"
printf '\0' >>"$work/old-bin/kqcsp.dll"

echo "== 0. signing"
messages=$(bash "$packaging/build-msi.sh" "$version" "$bin_dir" "$work/unsigned.msi")
[ "$(grep -ci unsigned <<<"$messages")" = 1 ] || fail "an unsigned build does not say so once: $messages"
make_throwaway_signer
bash "$packaging/build-msi.sh" "$version" "$work/old-bin" "$work/kqcsp-N.msi" >/dev/null
bash "$packaging/build-msi.sh" "$next_version" "$bin_dir" "$work/kqcsp-N1.msi" >"$work/build-msi.log"
for package in kqcsp-N kqcsp-N1; do
  verify_signed "$work/$package.msi"
  msiextract -C "$work/$package" "$work/$package.msi" >/dev/null
  while read -r file; do
    verify_signed "$file"
  done < <(find "$work/$package" -type f)
done
if grep -rlF --exclude-dir=wine-prefix "$signer_password" "$bin_dir/.." "$work/build-msi.log"; then
  fail "the signing password is in the build tree or the log"
fi
cd "$work"

echo "== 1. default install beside a maker's device library, then uninstall"
echo "the maker's device library" >"$system32/KQORV_Zantu.dll"
wine msiexec /i kqcsp-N.msi /qn || fail "msiexec /i"
[ -f "$system32/kqcsp.dll" ] || fail "kqcsp.dll not in the system directory"
[ -f "$program_files/kqtool.exe" ] || fail "kqtool.exe not under Program Files"
[ ! -f "$system32/KQORVUI.dll" ] || fail "the soft key was installed without being asked for"
grep -q "the maker's device library" "$system32/KQORV_Zantu.dll" || fail "the maker's library was touched"
wine reg query "$provider_key" /v "Image Path" | grep -qi 'C:\\windows\\system32\\kqcsp.dll' ||
  fail "Image Path"
wine reg query "$provider_key" /v Signature | grep -q REG_BINARY || fail "Signature is not binary"
wine reg query "$product_key" /v LanguageID | grep -q 0x804 || fail "LanguageID is not 2052"
wine reg add "$product_key" /v Neighbour /t REG_SZ /d stays /f >/dev/null
wine msiexec /x kqcsp-N.msi /qn || fail "msiexec /x"
[ ! -e "$system32/kqcsp.dll" ] || fail "kqcsp.dll left behind"
[ ! -e "$program_files" ] || fail "Program Files\\KQCSP left behind"
grep -q "the maker's device library" "$system32/KQORV_Zantu.dll" || fail "the maker's library was removed"
! has_value "$provider_key" "Image Path" || fail "the provider's registration left behind"
! has_value "$product_key" LanguageID || fail "LanguageID left behind"
! has_value "$product_key" IsUseSecDesk || fail "IsUseSecDesk left behind"
has_value "$product_key" Neighbour || fail "a value beside ours was removed"
wine reg delete "$product_key" /f >/dev/null
rm "$system32/KQORV_Zantu.dll"

echo "== 2. install with the soft key, use from another folder"
wine msiexec /i kqcsp-N.msi /qn ADDLOCAL=ALL LANGUAGEID=1033 || fail "msiexec /i ADDLOCAL=ALL"
wine reg query "$product_key" /v LanguageID | grep -q 0x409 || fail "LANGUAGEID=1033 not taken"
mkdir -p "$work/keys" "$work/elsewhere"
export KQSIM_ROOT KQSIM_PIN=12345678
KQSIM_ROOT=$(win_path "$work/keys")
wine "C:\\Program Files\\KQCSP\\kqsim.exe" create --family 73 --pin 12345678 --button ok:1 >/dev/null ||
  fail "kqsim create"
checks=$(wine "C:\\Program Files\\KQCSP\\kqtool.exe" check 2>&1 || true)
echo "$checks"
grep -q "KQ_CheckDriver ok: 1" <<<"$checks" || fail "KQ_CheckDriver"
grep -q "KQ_CheckCSP ok: 1" <<<"$checks" || fail "KQ_CheckCSP"

kqtool="C:\\Program Files\\KQCSP\\kqtool.exe"
wine "$kqtool" request --media-id 730000000001 --out-dir "$(win_path "$work")" \
  --record "CN=Store Signer,O=Demo Bank,C=CN,T=S|RSA2048|SHA256|2" >/dev/null || fail "request"
openssl req -new -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -subj "/CN=Test CA" \
  -days 2 2>/dev/null
openssl x509 -req -inform DER -in request-1.der -CA ca.pem -CAkey ca.key -CAcreateserial \
  -out signer.pem -days 2 2>/dev/null || fail "the CA refused the request"
wine "$kqtool" install --media-id 730000000001 --cert "$(win_path "$work/signer.pem")" >/dev/null ||
  fail "install the certificate"
wine "$kqtool" store-certs >/dev/null || fail "store-certs"
cp "$bin_dir/win_store_probe.exe" "$work/elsewhere/"
(cd "$work/elsewhere" && wine win_store_probe.exe sign "Store Signer") ||
  fail "signing with the certificate from the user's store"
wine "C:\\Program Files\\KQCSP\\kqsim.exe" remove key00 >/dev/null || fail "kqsim remove"
wine "$kqtool" unstore-certs | grep -q "Store Signer" || fail "unstore-certs"
(cd "$work/elsewhere" && wine win_store_probe.exe absent) || fail "certificates left in the store"

echo "== 3. version $next_version over version $version"
wine msiexec /i kqcsp-N1.msi /qn ADDLOCAL=ALL || fail "msiexec /i (upgrade)"
products=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
  grep -c "DisplayName.*KQCSP For ORV v2.0" || true)
[ "$products" = 1 ] || fail "$products products registered after the upgrade"
# Every installed file is N+1's, signed as in its package.
while read -r file; do
  installed="$system32/$(basename "$file")"
  [ -f "$installed" ] || installed="$program_files/$(basename "$file")"
  cmp -s "$installed" "$file" || fail "the upgrade left the old $(basename "$file")"
done < <(find "$work/kqcsp-N1" -type f)
wine msiexec /x kqcsp-N1.msi /qn || fail "msiexec /x (upgrade)"
for file in kqcsp.dll KQORV_Zantu.dll KQORVUI.dll; do
  [ ! -e "$system32/$file" ] || fail "$file left behind"
done
! wine reg query "$provider_key" >/dev/null 2>&1 || fail "the provider's key left behind"
echo "installer checks passed"
