#!/usr/bin/env bash
# The installer as a bank deploys it, under Wine's msiexec, in a prefix of its own:
#   1. a default install leaves a maker's device library of our name alone, and its uninstall
#      removes every file and value of ours while a value placed beside ours stays;
#   2. with the soft key (ADDLOCAL=ALL), KQ_CheckDriver and KQ_CheckCSP say 1; a certificate that
#      an openssl CA issued for the key, copied into the user's "MY" store by kqtool, signs a
#      message through the installed provider, reached by its name from a program in another
#      folder as mail clients do, and crypt32 verifies it; kqtool takes the certificate out again
#      once its key is gone; before that, the user's own entry of that certificate, linked to the
#      Microsoft provider, keeps its link through store-certs (which says so) and unstore-certs,
#      and an entry linked to our provider with another container is relinked by store-certs;
#   3. a maker's driver update puts its KQORV_Zantu.dll and KQORVUI.dll over the soft key's in
#      both system directories (our files' sizes, higher and lower versions): a repair of every
#      feature mends a deleted kqcsp.dll, and it, a major upgrade with the soft key and the
#      uninstall each leave the maker's four files as they are;
#   4. version N+1 over version N (with the soft key, whose files differ in size), then the signed
#      build of N+1 over its unsigned build (the same version), each leave one registered product
#      with the newer package's files in both system directories, and the uninstall leaves nothing
#      of ours in either directory or registry view (nor a shared-DLL count, which Wine's repair
#      would raise); settings set by hand as binary data stay through a repair and the upgrade as
#      the provider reads them, values given on the command line are brought to those it tells
#      apart, and a LANGUAGEID given to an upgrade replaces the installed one;
#   5. the soft key is refused, with a message naming the file and its folder, where a maker's
#      KQORV_Zantu.dll or KQORVUI.dll is already in either system directory, and the maker's file
#      stays as it was;
#   and before these, the packages and every file in them are signed with a throwaway
#   code-signing CA (scripts/sign-windows.sh) and pass `osslsigncode verify` against it, the
#   password shows nowhere in the build tree, and an unsigned build says so once.
# The package carries a 32-bit half (SysWOW64, the 32-bit registry view): a 32-bit and a 64-bit
# client in another folder (win_cryptoapi's signing test) each make a key container, generate a
# key and sign through it, and the Microsoft provider verifies the signatures.
#   install_check.sh VERSION BIN_DIR DEPS_DIR PACKAGING_DIR BIN_DIR_X86
set -euo pipefail
version=$1
bin_dir=$2
packaging=$4
bin_dir_x86=$5
. "$(dirname "$0")/own_prefix.sh"
. "$(dirname "$0")/throwaway_signer.sh"
unset KQ_SIGN_PKCS12 KQ_SIGN_PASSWORD KQ_SIGN_PASSWORD_FILE KQ_SIGN_TIMESTAMP_URL
start_own_prefix "$3"
system32="$WINEPREFIX/drive_c/windows/system32"
syswow64="$WINEPREFIX/drive_c/windows/syswow64"
program_files="$WINEPREFIX/drive_c/Program Files/KQCSP"
provider_key='HKLM\SOFTWARE\Microsoft\Cryptography\Defaults\Provider\KQCSP For ORV v2.0'
product_key='HKLM\SOFTWARE\KQVN\Orvenia'
shared_dlls='HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
has_value() { wine reg query "$1" /v "$2" >/dev/null 2>&1; }
has_value32() { wine32 reg query "$1" /v "$2" >/dev/null 2>&1; }
# Nothing of ours in either system directory or registry view.
nothing_of_ours_left() {
  local file
  for file in kqcsp.dll KQORV_Zantu.dll KQORVUI.dll; do
    [ ! -e "$system32/$file" ] || fail "$file left behind in system32"
    [ ! -e "$syswow64/$file" ] || fail "$file left behind in SysWOW64"
  done
  ! wine reg query "$provider_key" >/dev/null 2>&1 || fail "the provider's key left behind"
  ! wine32 reg query "$provider_key" >/dev/null 2>&1 || fail "the provider's 32-bit key left behind"
  ! has_value32 "$product_key" LanguageID || fail "the 32-bit LanguageID left behind"
  local counts
  counts=$(wine reg query "$shared_dlls" 2>/dev/null; wine32 reg query "$shared_dlls" 2>/dev/null || true)
  ! grep -qi "KQORV" <<<"$counts" || fail "a shared-DLL count of the soft key left behind: $counts"
}
# The product key's values in the 64-bit view (LanguageID in the 32-bit one too), as reg prints
# them.  settings_are LANGUAGE SECURE_DESKTOP WHAT
settings_are() {
  local language secure language32
  language=$(wine reg query "$product_key" /v LanguageID 2>&1 || true)
  language32=$(wine32 reg query "$product_key" /v LanguageID 2>&1 || true)
  secure=$(wine reg query "$product_key" /v IsUseSecDesk 2>&1 || true)
  grep -q "REG_DWORD *$1\b" <<<"$language" || fail "LanguageID after $3: $language"
  grep -q "REG_DWORD *$1\b" <<<"$language32" || fail "the 32-bit LanguageID after $3: $language32"
  grep -q "REG_DWORD *$2\b" <<<"$secure" || fail "IsUseSecDesk after $3: $secure"
}

# Version N+1 is the build itself; version N is the same build with its provider and soft-key
# files changed (a byte appended), so that the upgrade shows which file it left and must take an
# older release's soft key for ours.
next_version="${version%.*}.$((${version##*.} + 1))"
mkdir -p "$work/old-bin" "$work/old-bin-x86"
cp "$bin_dir"/{kqcsp.dll,KQORV_Zantu.dll,KQORVUI.dll,kqtool.exe,kqsim.exe} "$work/old-bin/"
cp "$bin_dir_x86"/{kqcsp.dll,KQORV_Zantu.dll,KQORVUI.dll} "$work/old-bin-x86/"
# (Eight bytes for the soft key: signing pads a file to eight bytes, which would hide one.)
printf '\0' >>"$work/old-bin/kqcsp.dll"
printf '\0' >>"$work/old-bin-x86/kqcsp.dll"
for file in KQORV_Zantu.dll KQORVUI.dll; do
  printf '\0%.0s' {1..8} >>"$work/old-bin/$file"
  printf '\0%.0s' {1..8} >>"$work/old-bin-x86/$file"
done
# A maker's KQORV_Zantu.dll and KQORVUI.dll in both system directories, as a driver update leaves
# them: the soft key's own files with another file version (so of exactly our sizes), 9.0.0.0 and
# 1.0.0.0 in each directory; and the check that each is still the maker's.
with_version() {
  python3 -c 'import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO; the file version follows
struct.pack_into("<II", data, at + 8, int(sys.argv[3]) << 16, 0)
open(sys.argv[2], "wb").write(data)' "$@"
}
put_maker_files() {
  local from to file version=1
  mkdir -p "$work/maker"
  for to in "$system32" "$syswow64"; do
    from=$bin_dir
    [ "$to" = "$syswow64" ] && from=$bin_dir_x86
    for file in KQORV_Zantu.dll KQORVUI.dll; do
      version=$((10 - version)) # 9, 1, 9, 1
      with_version "$from/$file" "$to/$file" "$version"
      cp "$to/$file" "$work/maker/$(basename "$to")-$file"
    done
  done
}
maker_files_untouched() {
  local directory file
  for directory in "$system32" "$syswow64"; do
    for file in KQORV_Zantu.dll KQORVUI.dll; do
      cmp -s "$work/maker/$(basename "$directory")-$file" "$directory/$file" ||
        fail "$1 replaced or removed the maker's $file in $directory"
    done
  done
}
one_product() {
  local products
  products=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    grep -c "DisplayName.*KQCSP For ORV v2.0" || true)
  [ "$products" = 1 ] || fail "$products products registered after $1"
}
# Every file of a package (extracted into FOLDER) whose name matches PATTERN is installed, and
# both providers are signed: msiextract puts the files of both system directories into one
# folder, so a DLL must be the one in either directory.  installed_from FOLDER WHAT [PATTERN]
installed_from() {
  local file name
  while read -r file; do
    name=$(basename "$file")
    [[ $name == ${3:-*} ]] || continue
    cmp -s "$program_files/$name" "$file" || cmp -s "$system32/$name" "$file" ||
      cmp -s "$syswow64/$name" "$file" || fail "$2 left another $name"
  done < <(find "$1" -type f)
  verify_signed "$system32/kqcsp.dll"
  verify_signed "$syswow64/kqcsp.dll"
}

echo "== 0. signing"
messages=$(bash "$packaging/build-msi.sh" "$next_version" "$bin_dir" "$work/kqcsp-N1-unsigned.msi" "$bin_dir_x86")
[ "$(grep -ci unsigned <<<"$messages")" = 1 ] || fail "an unsigned build does not say so once: $messages"
make_throwaway_signer
bash "$packaging/build-msi.sh" "$version" "$work/old-bin" "$work/kqcsp-N.msi" "$work/old-bin-x86" >/dev/null
bash "$packaging/build-msi.sh" "$next_version" "$bin_dir" "$work/kqcsp-N1.msi" "$bin_dir_x86" >"$work/build-msi.log"
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
[ -f "$syswow64/kqcsp.dll" ] || fail "the 32-bit kqcsp.dll not in SysWOW64"
[ ! -f "$syswow64/KQORVUI.dll" ] || fail "the 32-bit soft key was installed without being asked for"
[ -f "$program_files/kqtool.exe" ] || fail "kqtool.exe not under Program Files"
[ ! -f "$system32/KQORVUI.dll" ] || fail "the soft key was installed without being asked for"
grep -q "the maker's device library" "$system32/KQORV_Zantu.dll" || fail "the maker's library was touched"
wine reg query "$provider_key" /v "Image Path" | grep -qi 'C:\\windows\\system32\\kqcsp.dll' ||
  fail "Image Path"
wine reg query "$provider_key" /v Signature | grep -q REG_BINARY || fail "Signature is not binary"
wine reg query "$product_key" /v LanguageID | grep -q 0x804 || fail "LanguageID is not 2052"
# The same Image Path in the 32-bit view: 32-bit programs read system32 as SysWOW64.
wine32 reg query "$provider_key" /v "Image Path" | grep -qi 'C:\\windows\\system32\\kqcsp.dll' ||
  fail "the 32-bit view's Image Path"
wine32 reg query "$provider_key" /v Signature | grep -q REG_BINARY || fail "the 32-bit Signature"
wine32 reg query "$product_key" /v LanguageID | grep -q 0x804 || fail "the 32-bit LanguageID"
wine reg add "$product_key" /v Neighbour /t REG_SZ /d stays /f >/dev/null
wine msiexec /x kqcsp-N.msi /qn || fail "msiexec /x"
[ ! -e "$system32/kqcsp.dll" ] || fail "kqcsp.dll left behind"
[ ! -e "$syswow64/kqcsp.dll" ] || fail "the 32-bit kqcsp.dll left behind"
! wine32 reg query "$provider_key" >/dev/null 2>&1 || fail "the provider's 32-bit key left behind"
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
wine32 reg query "$product_key" /v LanguageID | grep -q 0x409 || fail "LANGUAGEID=1033 not in 32-bit view"
[ -f "$syswow64/KQORV_Zantu.dll" ] && [ -f "$syswow64/KQORVUI.dll" ] || fail "the 32-bit soft key"
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
cp "$bin_dir/win_store_probe.exe" "$work/elsewhere/"
probe() { (cd "$work/elsewhere" && wine win_store_probe.exe "$@"); }
# The user's own entry of the certificate, linked to the Microsoft provider (a software copy the
# user imported), keeps its link through store-certs, which says so, and unstore-certs. It is
# written as crypt32 keeps an entry of the registry store ("Blob": the SHA-1 hash, the key link,
# the certificate), and the entry must stay byte for byte.
user_entry() {
  python3 -c 'import hashlib, struct, sys
der = open(sys.argv[1], "rb").read()
container, provider = (name.encode("utf-16-le") + b"\0\0" for name in sys.argv[2:])
link = struct.pack("<7I", 28, 28 + len(container), 1, 0, 0, 0, 2) + container + provider
sha1 = hashlib.sha1(der).digest()
entry = b"".join(struct.pack("<3I", number, 1, len(data)) + data
                 for number, data in ((3, sha1), (2, link), (32, der)))
print(sha1.hex().upper(), entry.hex().upper())' "$@"
}
microsoft="Microsoft Enhanced Cryptographic Provider v1.0"
openssl x509 -in signer.pem -outform DER -out signer.der
read -r thumbprint blob < <(user_entry signer.der "a software copy" "$microsoft")
user_key="HKCU\\Software\\Microsoft\\SystemCertificates\\MY\\Certificates\\$thumbprint"
wine reg add "$user_key" /v Blob /t REG_BINARY /d "$blob" /f >/dev/null
stored=$(wine "$kqtool" store-certs) || fail "store-certs beside the user's own entry"
grep -q "left_linked_to: $microsoft" <<<"$stored" || fail "store-certs did not say it left it: $stored"
grep -q "CertFindCertificateInStore" <<<"$stored" || fail "store-certs names no search for the kept entry: $stored"
wine "$kqtool" unstore-certs >/dev/null || fail "unstore-certs beside the user's own entry"
entry=$(wine reg query "$user_key" /v Blob 2>&1 || true)
grep -q "$blob" <<<"$entry" || fail "store-certs or unstore-certs changed the user's own entry: $entry"
wine reg delete "$user_key" /f >/dev/null
# An entry linked to our provider but to another container is relinked, in the registry too.
read -r thumbprint blob < <(user_entry signer.der "a stale container" "KQCSP For ORV v2.0")
wine reg add "$user_key" /v Blob /t REG_BINARY /d "$blob" /f >/dev/null
wine "$kqtool" store-certs >/dev/null || fail "store-certs"
stale=$(python3 -c 'print("a stale container".encode("utf-16-le").hex().upper())')
entry=$(wine reg query "$user_key" /v Blob 2>&1 | tr -d '\r\n ' || true)
[[ $entry == *REG_BINARY* && $entry != *"$stale"* ]] || fail "store-certs left the stale link: $entry"
# A 32-bit and a 64-bit client each make a container (CryptAcquireContextA), generate a key and
# sign every hash (CryptSignHashA); the Microsoft provider verifies each signature.
for arch in x86 x64; do
  client="$bin_dir/win-suite/win_cryptoapi.exe"
  [ "$arch" = x86 ] && client="$bin_dir_x86/win-suite/win_cryptoapi.exe"
  mkdir -p "$work/client-$arch"
  cp "$client" "$work/client-$arch/"
  (cd "$work/client-$arch" &&
    wine win_cryptoapi.exe --gtest_filter=CryptoApi.EveryHashIsSignedOnTheKeyAndVerifiedByTheMicrosoftProvider) ||
    fail "the $arch client"
done
probe sign "Store Signer" ||
  fail "signing with the certificate from the user's store"
wine "C:\\Program Files\\KQCSP\\kqsim.exe" remove key00 >/dev/null || fail "kqsim remove"
wine "$kqtool" unstore-certs | grep -q "Store Signer" || fail "unstore-certs"
probe absent || fail "certificates left in the store"

echo "== 3. a driver update over the soft key, then repair, upgrade and uninstall"
put_maker_files
rm "$system32/kqcsp.dll"
wine msiexec /i kqcsp-N.msi /qn REINSTALL=ALL REINSTALLMODE=omus || fail "the repair was refused"
[ -f "$system32/kqcsp.dll" ] || fail "the repair left kqcsp.dll missing"
maker_files_untouched "the repair"
wine msiexec /i kqcsp-N1.msi /qn ADDLOCAL=ALL || echo "(the upgrade was refused)"
maker_files_untouched "the upgrade with the soft key"
wine msiexec /x kqcsp-N1.msi /qn || wine msiexec /x kqcsp-N.msi /qn || fail "msiexec /x (driver update)"
maker_files_untouched "the uninstall"
rm "$system32"/{KQORV_Zantu.dll,KQORVUI.dll} "$syswow64"/{KQORV_Zantu.dll,KQORVUI.dll}
nothing_of_ours_left

echo "== 4. version $next_version over version $version, then its signed build over its unsigned one"
wine msiexec /i kqcsp-N.msi /qn ADDLOCAL=ALL LANGUAGEID=1033 ISUSESECDESK=1 || fail "msiexec /i N"
settings_are 0x409 0x1 "the installation"
# Set by hand as binary data, which the provider reads as 1028 and 0. (A repair from Programs and
# Features passes no settings: none is given here either.)
wine reg add "$product_key" /v LanguageID /t REG_BINARY /d 04040000 /f >/dev/null
wine reg add "$product_key" /v IsUseSecDesk /t REG_BINARY /d 00000000 /f >/dev/null
wine msiexec /i kqcsp-N.msi /qn REINSTALL=ALL REINSTALLMODE=omus || fail "msiexec repair N"
settings_are 0x404 0x0 "the repair"
wine msiexec /i kqcsp-N1.msi /qn ADDLOCAL=ALL || fail "msiexec /i (upgrade)"
settings_are 0x404 0x0 "the upgrade"
one_product "the upgrade"
installed_from "$work/kqcsp-N1" "the upgrade"
# The signed build of N+1 over its unsigned build: the same version, other files.
wine msiexec /x kqcsp-N1.msi /qn || fail "msiexec /x (upgrade)"
wine msiexec /i kqcsp-N1-unsigned.msi /qn LANGUAGEID=9999 ISUSESECDESK=7 || fail "msiexec /i (unsigned)"
settings_are 0x409 0x1 "an installation given values the provider does not tell apart"
wine msiexec /i kqcsp-N1.msi /qn LANGUAGEID=1028 || fail "msiexec /i (signed over unsigned)"
settings_are 0x404 0x1 "an upgrade given LANGUAGEID=1028"
one_product "the signed build over the unsigned one"
installed_from "$work/kqcsp-N1" "the signed build over the unsigned one" "kq[ct]*"
wine msiexec /x kqcsp-N1.msi /qn || fail "msiexec /x (signed)"
nothing_of_ours_left

echo "== 5. the soft key refused over a maker's library in either system directory"
# Read once: `grep -q` on a pipe ends before msiinfo has written everything, and pipefail would
# count msiinfo's broken pipe as a failure.
custom_actions=$(msiinfo export kqcsp-N1.msi CustomAction)
for file in KQORV_Zantu.dll KQORVUI.dll; do
  for directory in "$system32" "$syswow64"; do
    folder=System64Folder
    [ "$directory" = "$syswow64" ] && folder=SystemFolder
    grep -qF "[$folder]$file is not the file of this package" <<<"$custom_actions" ||
      fail "the package has no message naming $file in $folder"
    echo "the maker's $file" >"$directory/$file"
    if wine msiexec /i kqcsp-N1.msi /qn ADDLOCAL=ALL /l*v "$(win_path "$work/refused.log")"; then
      fail "the soft key was installed over the maker's $file in $directory"
    fi
    # Wine's log names the action that refused, not its text (the package holds that).
    grep -q "RefuseSoftKeyOver${file%.dll}" refused.log || fail "the refusal of $file did not come from the check"
    grep -q "the maker's $file" "$directory/$file" || fail "the maker's $file in $directory was touched"
    rm "$directory/$file"
    nothing_of_ours_left
  done
done
echo "installer checks passed"
