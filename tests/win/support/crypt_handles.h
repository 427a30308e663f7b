#pragma once
// CryptoAPI handles owned by objects that release them, so that a failed assertion in the middle
// of a test leaves no context, key or hash behind.
#include <windows.h>

#include <wincrypt.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kq::wintest {

using Bytes = std::vector<uint8_t>;

inline constexpr wchar_t kProviderName[] = L"KQCSP For ORV v2.0";

// A handle and the call that releases it.
template <typename Handle, BOOL (*Release)(Handle)>
class OwnedCryptHandle {
 public:
  OwnedCryptHandle() = default;
  explicit OwnedCryptHandle(Handle handle) : handle_(handle) {}
  OwnedCryptHandle(const OwnedCryptHandle&) = delete;
  OwnedCryptHandle& operator=(const OwnedCryptHandle&) = delete;
  OwnedCryptHandle(OwnedCryptHandle&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
  OwnedCryptHandle& operator=(OwnedCryptHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
  }
  ~OwnedCryptHandle() { Reset(); }

  [[nodiscard]] Handle get() const { return handle_; }
  Handle* out() {
    Reset();
    return &handle_;
  }
  void Reset() {
    if (handle_ != 0) {
      Release(std::exchange(handle_, 0));
    }
  }

 private:
  Handle handle_ = 0;
};

inline BOOL ReleaseContext(HCRYPTPROV prov) {
  return CryptReleaseContext(prov, 0);
}

using CryptContext = OwnedCryptHandle<HCRYPTPROV, ReleaseContext>;
using CryptKey = OwnedCryptHandle<HCRYPTKEY, CryptDestroyKey>;
using CryptHash = OwnedCryptHandle<HCRYPTHASH, CryptDestroyHash>;

// A certificate context, freed when the object goes.
class CertificateContext {
 public:
  explicit CertificateContext(PCCERT_CONTEXT context) : context_(context) {}
  CertificateContext(const CertificateContext&) = delete;
  CertificateContext& operator=(const CertificateContext&) = delete;
  ~CertificateContext() {
    if (context_ != nullptr) {
      CertFreeCertificateContext(context_);
    }
  }
  [[nodiscard]] PCCERT_CONTEXT get() const { return context_; }

 private:
  PCCERT_CONTEXT context_;
};

// The hash value of a hash object (HP_HASHVAL); empty on failure.
Bytes HashValue(HCRYPTHASH hash);

// A PUBLICKEYBLOB of a key; empty on failure.
Bytes ExportPublicKeyBlob(HCRYPTKEY key);

// CryptSignHashW with the size query first; empty on failure (GetLastError tells why).
Bytes SignHash(HCRYPTHASH hash, DWORD keySpec);

// Wine's own Microsoft software provider (MS_ENH_RSA_AES_PROV, a verify context) imports the
// PUBLICKEYBLOB and checks an RSA signature in CryptoAPI's byte order over the given hash value.
// False with the reason in `why` when it does not verify.
bool MicrosoftProviderVerifies(const Bytes& publicKeyBlob, ALG_ID hashAlgorithm,
                               const Bytes& hashValue, const Bytes& signature, std::string* why);

// The digest of data by Wine's Microsoft software provider; empty on failure.
Bytes MicrosoftProviderDigest(ALG_ID hashAlgorithm, const Bytes& data);

// The PUBLICKEYBLOB of an RSA subject public key (a certificate's or a request's), decoded by
// crypt32; empty on failure.
Bytes PublicKeyBlobOf(const CERT_PUBLIC_KEY_INFO& publicKey);

}  // namespace kq::wintest
