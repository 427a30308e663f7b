#include "win/support/crypt_handles.h"

#include <sstream>

namespace kq::wintest {

namespace {

std::string Failure(const char* call) {
  std::ostringstream text;
  text << call << " failed: 0x" << std::hex << GetLastError();
  return text.str();
}

}  // namespace

Bytes HashValue(HCRYPTHASH hash) {
  DWORD length = 0;
  if (!CryptGetHashParam(hash, HP_HASHVAL, nullptr, &length, 0)) {
    return {};
  }
  Bytes value(length);
  if (!CryptGetHashParam(hash, HP_HASHVAL, value.data(), &length, 0)) {
    return {};
  }
  value.resize(length);
  return value;
}

Bytes ExportPublicKeyBlob(HCRYPTKEY key) {
  DWORD length = 0;
  if (!CryptExportKey(key, 0, PUBLICKEYBLOB, 0, nullptr, &length)) {
    return {};
  }
  Bytes blob(length);
  if (!CryptExportKey(key, 0, PUBLICKEYBLOB, 0, blob.data(), &length)) {
    return {};
  }
  blob.resize(length);
  return blob;
}

Bytes SignHash(HCRYPTHASH hash, DWORD keySpec) {
  DWORD length = 0;
  if (!CryptSignHashW(hash, keySpec, nullptr, 0, nullptr, &length)) {
    return {};
  }
  Bytes signature(length);
  if (!CryptSignHashW(hash, keySpec, nullptr, 0, signature.data(), &length)) {
    return {};
  }
  signature.resize(length);
  return signature;
}

bool MicrosoftProviderVerifies(const Bytes& publicKeyBlob, ALG_ID hashAlgorithm,
                               const Bytes& hashValue, const Bytes& signature, std::string* why) {
  std::string ignored;
  std::string& reason = why != nullptr ? *why : ignored;
  CryptContext microsoft;
  if (!CryptAcquireContextW(microsoft.out(), nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                            CRYPT_VERIFYCONTEXT)) {
    reason = Failure("CryptAcquireContextW(MS_ENH_RSA_AES_PROV)");
    return false;
  }
  CryptKey key;
  if (!CryptImportKey(microsoft.get(), publicKeyBlob.data(),
                      static_cast<DWORD>(publicKeyBlob.size()), 0, 0, key.out())) {
    reason = Failure("CryptImportKey");
    return false;
  }
  CryptHash hash;
  if (!CryptCreateHash(microsoft.get(), hashAlgorithm, 0, 0, hash.out())) {
    reason = Failure("CryptCreateHash");
    return false;
  }
  if (!CryptSetHashParam(hash.get(), HP_HASHVAL, hashValue.data(), 0)) {
    reason = Failure("CryptSetHashParam(HP_HASHVAL)");
    return false;
  }
  if (!CryptVerifySignatureW(hash.get(), signature.data(), static_cast<DWORD>(signature.size()),
                             key.get(), nullptr, 0)) {
    reason = Failure("CryptVerifySignatureW");
    return false;
  }
  return true;
}

Bytes MicrosoftProviderDigest(ALG_ID hashAlgorithm, const Bytes& data) {
  CryptContext microsoft;
  CryptHash hash;
  if (!CryptAcquireContextW(microsoft.out(), nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                            CRYPT_VERIFYCONTEXT) ||
      !CryptCreateHash(microsoft.get(), hashAlgorithm, 0, 0, hash.out()) ||
      !CryptHashData(hash.get(), data.data(), static_cast<DWORD>(data.size()), 0)) {
    return {};
  }
  return HashValue(hash.get());
}

Bytes PublicKeyBlobOf(const CERT_PUBLIC_KEY_INFO& publicKey) {
  DWORD length = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, publicKey.PublicKey.pbData,
                           publicKey.PublicKey.cbData, 0, nullptr, nullptr, &length)) {
    return {};
  }
  Bytes blob(length);
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, publicKey.PublicKey.pbData,
                           publicKey.PublicKey.cbData, 0, nullptr, blob.data(), &length)) {
    return {};
  }
  blob.resize(length);
  return blob;
}

}  // namespace kq::wintest
