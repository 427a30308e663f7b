# Sourced by the installer check: a code-signing CA and certificate of the check's own, made with
# openssl in $work/signer, given to scripts/sign-windows.sh through its environment variables as a
# bank's release machine would (a PKCS #12 file and a password file). verify_signed FILE checks a
# signature with osslsigncode against that CA alone.
make_throwaway_signer() {
  local dir="$work/signer"
  mkdir -p "$dir"
  (
    cd "$dir"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
      -subj "/CN=Throwaway Code Signing CA" -addext "basicConstraints=critical,CA:TRUE" \
      -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
    openssl req -new -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
      -subj "/CN=KQVN Release Signing/O=KQVN" 2>/dev/null
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >ext
    openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile ext \
      -out signer.pem 2>/dev/null
    openssl rand -hex 16 >password
    openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -out signer.p12 \
      -passout file:password
    rm signer.key ca.key
  )
  export KQ_SIGN_PKCS12="$dir/signer.p12" KQ_SIGN_PASSWORD_FILE="$dir/password"
  signer_ca="$dir/ca.pem"
  signer_password=$(<"$dir/password")
}
verify_signed() {
  osslsigncode verify -CAfile "$signer_ca" -in "$1" >"$work/verify.log" 2>&1 || {
    cat "$work/verify.log" >&2
    fail "osslsigncode verify: $1"
  }
}
