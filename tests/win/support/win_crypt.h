#pragma once
// What the Windows programs share about CryptoAPI: handles owned by objects, so that a failed
// assertion leaves no context, key or hash behind; Wine's Microsoft software provider as the
// verifier nobody here wrote; and a crypt32 certification authority made for one test.
#include <windows.h>

#include <wincrypt.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kq::wintest {

using Bytes = std::vector<uint8_t>;

inline constexpr wchar_t kProviderName[] = L"KQCSP For ORV v2.0";

// A handle and the call that releases it (a WINAPI function: __stdcall on 32-bit Windows).
template <typename Handle, auto Release>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  Owned& operator=(Owned&&) = delete;
  ~Owned() { Reset(); }

  [[nodiscard]] Handle get() const { return handle_; }
  Handle* out() {
    Reset();
    return &handle_;
  }
  void Reset() {
    if (handle_ != Handle{}) {
      Release(std::exchange(handle_, Handle{}));
    }
  }

 private:
  Handle handle_{};
};

inline BOOL ReleaseContext(HCRYPTPROV prov) {
  return CryptReleaseContext(prov, 0);
}
using CryptContext = Owned<HCRYPTPROV, ReleaseContext>;
using CryptKey = Owned<HCRYPTKEY, CryptDestroyKey>;
using CryptHash = Owned<HCRYPTHASH, CryptDestroyHash>;
using CertificateContext = Owned<PCCERT_CONTEXT, CertFreeCertificateContext>;

// CryptoAPI's two calls, the size first and then the bytes; empty on failure.
template <typename Call>
Bytes Fetch(Call call) {
  DWORD length = 0;
  if (!call(nullptr, &length)) {
    return {};
  }
  Bytes bytes(length);
  if (!call(bytes.data(), &length)) {
    return {};
  }
  bytes.resize(length);
  return bytes;
}

Bytes HashValue(HCRYPTHASH hash);
Bytes ExportPublicKeyBlob(HCRYPTKEY key);
Bytes SignHash(HCRYPTHASH hash, DWORD keySpec);  // GetLastError tells why when empty

// Wine's Microsoft software provider imports the PUBLICKEYBLOB and checks an RSA signature in
// CryptoAPI's byte order over its own digest of the data (the data is the hash value for
// CALG_SSL3_SHAMD5, which has no data of its own); GetLastError tells why when it does not.
bool MicrosoftProviderVerifies(const Bytes& publicKeyBlob, ALG_ID hashAlgorithm, const Bytes& data,
                               const Bytes& signature);

// The signature key's public key of a context as crypt32 exports it (a CERT_PUBLIC_KEY_INFO).
Bytes PublicKeyInfo(HCRYPTPROV prov);
Bytes EncodeName(std::wstring_view x500);  // "CN=Holder, O=Bank"
std::wstring NameText(const Bytes& name);
std::string ToBase64(const Bytes& bytes);  // without line breaks
Bytes FromBase64(std::string_view text);

// A message of crypt32 (PKCS #7, SHA-256, the certificate included) signed with the certificate's
// private key, which crypt32 finds through CERT_KEY_PROV_INFO_PROP_ID; empty on failure.
Bytes SignMessage(PCCERT_CONTEXT signer, const std::string& text);
// The content of a message whose signature crypt32 verifies; nullopt when it does not verify.
std::optional<std::string> VerifiedContent(const Bytes& message);

// A PKCS #10 request taken apart by crypt32's generic decoders: its X509_CERT_REQUEST_TO_BE_SIGNED
// decoder refuses the requests, which carry no attributes element.
struct CertificateRequest {
  explicit CertificateRequest(Bytes encoded);
  [[nodiscard]] const CERT_PUBLIC_KEY_INFO& publicKey() const {
    return *reinterpret_cast<const CERT_PUBLIC_KEY_INFO*>(publicKeyInfo.data());
  }
  // crypt32 checks the self-signature with the public key the request carries.
  [[nodiscard]] bool SignatureVerifies() const;

  Bytes der;
  bool read = false;  // every part below was decoded
  Bytes subjectName;
  Bytes publicKeyInfo;  // a decoded CERT_PUBLIC_KEY_INFO
};

// An RSA key of the Microsoft provider in a temporary container, deleted when the object goes,
// that signs certificates with CryptSignAndEncodeCertificate.
class Crypt32Ca {
 public:
  Crypt32Ca();
  Crypt32Ca(const Crypt32Ca&) = delete;
  Crypt32Ca& operator=(const Crypt32Ca&) = delete;
  ~Crypt32Ca();

  [[nodiscard]] bool ready() const { return !name_.empty(); }
  [[nodiscard]] HCRYPTPROV provider() const { return prov_.get(); }
  // A certificate (DER) for a subject (an encoded name) and a public key (a decoded
  // CERT_PUBLIC_KEY_INFO); empty on failure.
  Bytes Issue(const Bytes& subjectName, const Bytes& publicKeyInfo);

 private:
  std::wstring container_;
  CryptContext prov_;
  Bytes name_;
  BYTE serial_ = 1;
};

}  // namespace kq::wintest
