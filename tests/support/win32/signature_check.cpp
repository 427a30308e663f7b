// Signatures judged by the system: the Microsoft provider hashes and verifies, crypt32 reads the
// certificate's key. Windows has no SM2 verifier.

#include <windows.h>
// windows.h first: wincrypt.h needs its types.
#include <wincrypt.h>

#include <vector>

#include "support/signature_check.h"

namespace kq::test {

namespace {

// RSA PKCS #1 v1.5 over the data hashed with `algorithm`, by a key in a verify-only context.
bool Verifies(HCRYPTPROV provider, HCRYPTKEY key, ALG_ID algorithm, std::span<const uint8_t> data,
              std::span<const uint8_t> signatureLe) {
  HCRYPTHASH hash = 0;
  const bool ok = CryptCreateHash(provider, algorithm, 0, 0, &hash) &&
                  CryptHashData(hash, data.data(), static_cast<DWORD>(data.size()), 0) &&
                  CryptVerifySignatureW(hash, signatureLe.data(),
                                        static_cast<DWORD>(signatureLe.size()), key, nullptr, 0);
  if (hash != 0) {
    CryptDestroyHash(hash);
  }
  return ok;
}

HCRYPTPROV VerifyContext() {
  HCRYPTPROV provider = 0;
  return CryptAcquireContextW(&provider, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT)
             ? provider
             : 0;
}

}  // namespace

bool BlobSignatureVerifies(std::span<const uint8_t> publicKeyBlob, std::span<const uint8_t> data,
                           std::span<const uint8_t> signatureLe) {
  const HCRYPTPROV provider = VerifyContext();
  HCRYPTKEY key = 0;
  const bool ok = provider != 0 &&
                  CryptImportKey(provider, publicKeyBlob.data(),
                                 static_cast<DWORD>(publicKeyBlob.size()), 0, 0, &key) &&
                  Verifies(provider, key, CALG_SHA_256, data, signatureLe);
  if (key != 0) {
    CryptDestroyKey(key);
  }
  if (provider != 0) {
    CryptReleaseContext(provider, 0);
  }
  return ok;
}

std::optional<bool> CertificateSignatureVerifies(std::span<const uint8_t> certificateDer,
                                                 std::span<const uint8_t> data,
                                                 std::span<const uint8_t> signature,
                                                 const std::string& digestName) {
  if (digestName == "sm3") {
    return std::nullopt;
  }
  const PCCERT_CONTEXT certificate = CertCreateCertificateContext(
      X509_ASN_ENCODING, certificateDer.data(), static_cast<DWORD>(certificateDer.size()));
  const HCRYPTPROV provider = VerifyContext();
  HCRYPTKEY key = 0;
  const std::vector<uint8_t> signatureLe(signature.rbegin(), signature.rend());
  const bool ok =
      certificate != nullptr && provider != 0 &&
      CryptImportPublicKeyInfo(provider, X509_ASN_ENCODING,
                               &certificate->pCertInfo->SubjectPublicKeyInfo, &key) &&
      Verifies(provider, key, digestName == "sha1" ? CALG_SHA1 : CALG_SHA_256, data, signatureLe);
  if (key != 0) {
    CryptDestroyKey(key);
  }
  if (provider != 0) {
    CryptReleaseContext(provider, 0);
  }
  if (certificate != nullptr) {
    CertFreeCertificateContext(certificate);
  }
  return ok;
}

}  // namespace kq::test
