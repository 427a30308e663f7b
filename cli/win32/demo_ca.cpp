// Windows: crypt32 and the Microsoft software provider are the CA and the RSA verifier. The CA's
// key lives in a throwaway key container of the Microsoft provider, deleted when the CA is
// discarded; certificates' public keys are imported into a verification context. SM2 requests
// and signatures, which CryptoAPI cannot verify, are checked with the system's own SM3 and SM2
// code; the RSA CA still signs the SM2 key's certificate.
#include <windows.h>

#include <wincrypt.h>

#include <memory>
#include <random>

#include "crypto/sm2_prepare.h"
#include "crypto/sm2_verify.h"
#include "pki/der_reader.h"
#include "pki/request_reader.h"

#include "byte_text.h"
#include "csp_session.h"
#include "demo_ca.h"
#include "status_text.h"

namespace kq::cli {

namespace {

// The Microsoft provider that hashes and signs with SHA-256.
constexpr const wchar_t* kMicrosoftProvider = MS_ENH_RSA_AES_PROV_W;
constexpr DWORD kMicrosoftProviderType = PROV_RSA_AES;
constexpr wchar_t kCaName[] = L"C=CN, O=Demo Bank, CN=Demo Bank Throwaway CA";
constexpr LONGLONG kHour = 36'000'000'000LL;  // in FILETIME's 100-ns units

constexpr DemoCaNames kNames = {
    "crypt32 (RSA) and the SM2 check (SM2) accepted the requests' signatures; "
    "CryptSignAndEncodeCertificate with the Microsoft provider issued the",
    "verify the RSA signature with the Microsoft provider",
    "CryptImportPublicKeyInfo of the certificate's key, CryptVerifySignatureW over SHA-256: TRUE",
    "verify the SM2 signature with the system's SM3 and SM2 code",
    "SM3 over identity 1234567812345678 and the certificate's key, SM2 check on mbed TLS: valid",
    "the Microsoft provider agrees",
};

// A provider context, released when the object goes.
class ProviderContext {
 public:
  ProviderContext() = default;
  ProviderContext(const ProviderContext&) = delete;
  ProviderContext& operator=(const ProviderContext&) = delete;
  ~ProviderContext() {
    if (handle_ != 0) {
      CryptReleaseContext(handle_, 0);
    }
  }
  HCRYPTPROV* out() { return &handle_; }
  [[nodiscard]] HCRYPTPROV get() const { return handle_; }

 private:
  HCRYPTPROV handle_ = 0;
};

// A key or hash of a provider, destroyed when the object goes.
template <auto Destroy>
class CryptObject {
 public:
  CryptObject() = default;
  CryptObject(const CryptObject&) = delete;
  CryptObject& operator=(const CryptObject&) = delete;
  ~CryptObject() {
    if (handle_ != 0) {
      Destroy(handle_);
    }
  }
  ULONG_PTR* out() { return &handle_; }
  [[nodiscard]] ULONG_PTR get() const { return handle_; }

 private:
  ULONG_PTR handle_ = 0;
};

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};
template <typename T>
using LocalMemory = std::unique_ptr<T, LocalFreer>;

struct CertificateFreer {
  void operator()(const CERT_CONTEXT* context) const { CertFreeCertificateContext(context); }
};
using CertificateContext = std::unique_ptr<const CERT_CONTEXT, CertificateFreer>;

std::string WindowsFailure(std::string_view call) {
  return std::string(call) + " " + StatusLine(DescribeLastError(GetLastError()));
}

// A SubjectPublicKeyInfo as crypt32 takes it, decoded by crypt32.
LocalMemory<CERT_PUBLIC_KEY_INFO> DecodePublicKeyInfo(std::span<const uint8_t> der) {
  void* decoded = nullptr;
  DWORD size = 0;
  if (CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(),
                          static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr,
                          &decoded, &size) == FALSE) {
    return nullptr;
  }
  return LocalMemory<CERT_PUBLIC_KEY_INFO>(static_cast<CERT_PUBLIC_KEY_INFO*>(decoded));
}

CertificateContext DecodeCertificate(std::span<const uint8_t> der) {
  return CertificateContext(
      CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
}

// An SM2 signature r || s of the message by the key whose point (04 || x || y) is given.
bool Sm2Signed(std::span<const uint8_t> point, std::span<const uint8_t> message,
               std::span<const uint8_t, 2 * kSm2CoordinateSize> signature) {
  if (point.size() != 1 + 2 * kSm2CoordinateSize || point[0] != 0x04) {
    return false;
  }
  const auto x = point.subspan<1, kSm2CoordinateSize>();
  const auto y = point.subspan<1 + kSm2CoordinateSize, kSm2CoordinateSize>();
  const Sm3Digest e = Sm2MessageDigest(x, y, message);
  return Sm2Verify(x, y, e, signature);
}

// INTEGER content as crypt32 takes it: least significant byte first, positive.
std::vector<BYTE> SerialNumber(int serial) {
  std::vector<BYTE> bytes;
  for (auto value = static_cast<uint32_t>(serial); value != 0; value >>= 8) {
    bytes.push_back(static_cast<BYTE>(value));
  }
  if (bytes.empty() || (bytes.back() & 0x80u) != 0) {
    bytes.push_back(0);
  }
  return bytes;
}

FILETIME HoursFromNow(LONGLONG hours) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value;
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  value.QuadPart = static_cast<ULONGLONG>(static_cast<LONGLONG>(value.QuadPart) + hours * kHour);
  return {value.LowPart, value.HighPart};
}

}  // namespace

struct DemoCa::Authority {
  std::wstring container;
  ProviderContext ca;        // holds the CA's key
  ProviderContext verifier;  // takes the certificates' public keys
  std::vector<BYTE> name;    // the CA's encoded Name, the certificates' issuer
};

const DemoCaNames& DemoCa::Names() {
  return kNames;
}

DemoCa::DemoCa(DemoScene& scene) : scene_(scene) {}

DemoCa::~DemoCa() {
  Discard();
}

bool DemoCa::Fail(const std::string& what) {
  reason_ = what;
  return false;
}

bool DemoCa::Create() {
  auto authority = std::make_unique<Authority>();
  std::random_device random;
  authority->container = L"kqtool-demo-ca-" + std::to_wstring(random());
  if (CryptAcquireContextW(authority->ca.out(), authority->container.c_str(), kMicrosoftProvider,
                           kMicrosoftProviderType, CRYPT_NEWKEYSET) == FALSE) {
    return Fail(WindowsFailure("CryptAcquireContextW (CRYPT_NEWKEYSET)"));
  }
  authority_ = std::move(authority);  // from here on Discard() deletes the container
  CryptObject<CryptDestroyKey> key;
  if (CryptGenKey(authority_->ca.get(), AT_SIGNATURE, 2048u << 16, key.out()) == FALSE) {
    return Fail(WindowsFailure("CryptGenKey (RSA 2048)"));
  }
  DWORD size = 0;
  if (CertStrToNameW(X509_ASN_ENCODING, kCaName, CERT_X500_NAME_STR, nullptr, nullptr, &size,
                     nullptr) == FALSE) {
    return Fail(WindowsFailure("CertStrToNameW"));
  }
  authority_->name.resize(size);
  if (CertStrToNameW(X509_ASN_ENCODING, kCaName, CERT_X500_NAME_STR, nullptr,
                     authority_->name.data(), &size, nullptr) == FALSE) {
    return Fail(WindowsFailure("CertStrToNameW"));
  }
  authority_->name.resize(size);
  if (CryptAcquireContextW(authority_->verifier.out(), nullptr, kMicrosoftProvider,
                           kMicrosoftProviderType, CRYPT_VERIFYCONTEXT) == FALSE) {
    return Fail(WindowsFailure("CryptAcquireContextW (CRYPT_VERIFYCONTEXT)"));
  }
  return true;
}

std::optional<std::vector<uint8_t>> DemoCa::Issue(std::span<const uint8_t> requestDer,
                                                  const std::string& name, bool sm2, int serial) {
  if (!authority_) {
    Fail("the CA was not made");
    return std::nullopt;
  }
  // crypt32 has no decoder for a request's body, so the system's own reader splits it.
  RequestParts request;
  if (!ReadCertificationRequest(requestDer, request)) {
    Fail("the request is not a PKCS #10 request");
    return std::nullopt;
  }
  const auto publicKey = DecodePublicKeyInfo(request.publicKeyInfo);
  if (!publicKey) {
    Fail(WindowsFailure("CryptDecodeObjectEx (the request's public key)"));
    return std::nullopt;
  }
  if (sm2) {
    std::array<uint8_t, 2 * kSm2CoordinateSize> rs{};
    if (!ReadDerSm2Signature(request.signature, rs) ||
        !Sm2Signed(request.publicKey, request.info, rs)) {
      Fail("the SM2 check refuses the request's signature");
      return std::nullopt;
    }
  } else {
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(requestDer.size()),
                         const_cast<BYTE*>(requestDer.data())};
    if (CryptVerifyCertificateSignatureEx(
            authority_->verifier.get(), X509_ASN_ENCODING, CRYPT_VERIFY_CERT_SIGN_SUBJECT_BLOB,
            &blob, CRYPT_VERIFY_CERT_SIGN_ISSUER_PUBKEY, publicKey.get(), 0, nullptr) == FALSE) {
      Fail(WindowsFailure("CryptVerifyCertificateSignatureEx (the request)"));
      return std::nullopt;
    }
  }
  std::vector<BYTE> serialNumber = SerialNumber(serial);
  CERT_INFO certificate{};
  certificate.dwVersion = CERT_V3;
  certificate.SerialNumber = {static_cast<DWORD>(serialNumber.size()), serialNumber.data()};
  certificate.SignatureAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA256RSA);
  certificate.Issuer = {static_cast<DWORD>(authority_->name.size()), authority_->name.data()};
  certificate.NotBefore = HoursFromNow(-1);
  certificate.NotAfter = HoursFromNow(24);
  certificate.Subject = {static_cast<DWORD>(request.subject.size()),
                         const_cast<BYTE*>(request.subject.data())};
  certificate.SubjectPublicKeyInfo = *publicKey;
  DWORD size = 0;
  if (CryptSignAndEncodeCertificate(
          authority_->ca.get(), AT_SIGNATURE, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED,
          &certificate, &certificate.SignatureAlgorithm, nullptr, nullptr, &size) == FALSE) {
    Fail(WindowsFailure("CryptSignAndEncodeCertificate"));
    return std::nullopt;
  }
  std::vector<uint8_t> der(size);
  if (CryptSignAndEncodeCertificate(
          authority_->ca.get(), AT_SIGNATURE, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED,
          &certificate, &certificate.SignatureAlgorithm, nullptr, der.data(), &size) == FALSE) {
    Fail(WindowsFailure("CryptSignAndEncodeCertificate"));
    return std::nullopt;
  }
  der.resize(size);
  // Kept beside the requests for whoever looks into the scene.
  WriteFileBytes(scene_.File(name + ".cert.der"), der);
  return der;
}

bool DemoCa::VerifyRsa(std::span<const uint8_t> certificateDer, std::span<const uint8_t> data,
                       std::span<const uint8_t> signature, const std::string& digest,
                       const std::string& name) {
  (void)name;
  const std::optional<uint32_t> algorithm = HashAlgorithmId(digest);
  const CertificateContext certificate = DecodeCertificate(certificateDer);
  if (!authority_ || !algorithm || !certificate) {
    return Fail("no certificate or digest to verify with");
  }
  CryptObject<CryptDestroyKey> key;
  if (CryptImportPublicKeyInfo(authority_->verifier.get(), X509_ASN_ENCODING,
                               &certificate->pCertInfo->SubjectPublicKeyInfo, key.out()) == FALSE) {
    return Fail(WindowsFailure("CryptImportPublicKeyInfo"));
  }
  CryptObject<CryptDestroyHash> hash;
  if (CryptCreateHash(authority_->verifier.get(), *algorithm, 0, 0, hash.out()) == FALSE ||
      CryptHashData(hash.get(), data.data(), static_cast<DWORD>(data.size()), 0) == FALSE) {
    return Fail(WindowsFailure("CryptCreateHash"));
  }
  // CryptoAPI reads signatures least significant byte first.
  const std::vector<uint8_t> reversed(signature.rbegin(), signature.rend());
  if (CryptVerifySignatureW(hash.get(), reversed.data(), static_cast<DWORD>(reversed.size()),
                            key.get(), nullptr, 0) == FALSE) {
    return Fail(
        WindowsFailure("the Microsoft provider does not accept the signature: "
                       "CryptVerifySignatureW"));
  }
  return true;
}

bool DemoCa::VerifySm2(std::span<const uint8_t> certificateDer, std::span<const uint8_t> data,
                       std::span<const uint8_t> signature, const std::string& name) {
  (void)name;
  if (signature.size() != 2 * kSm2CoordinateSize) {
    return Fail("an SM2 signature is 64 bytes, not " + std::to_string(signature.size()));
  }
  const CertificateContext certificate = DecodeCertificate(certificateDer);
  if (!certificate) {
    return Fail(WindowsFailure("CertCreateCertificateContext"));
  }
  const CRYPT_BIT_BLOB& point = certificate->pCertInfo->SubjectPublicKeyInfo.PublicKey;
  if (!Sm2Signed({point.pbData, point.cbData}, data, signature.first<2 * kSm2CoordinateSize>())) {
    return Fail("the SM2 check refuses the signature");
  }
  return true;
}

bool DemoCa::Discard() {
  if (!authority_) {
    return true;
  }
  const std::wstring container = authority_->container;
  authority_.reset();   // the contexts go before their key set
  HCRYPTPROV none = 0;  // deleting a key set leaves no context to release
  if (CryptAcquireContextW(&none, container.c_str(), kMicrosoftProvider, kMicrosoftProviderType,
                           CRYPT_DELETEKEYSET) == FALSE) {
    return Fail(WindowsFailure("CryptAcquireContextW (CRYPT_DELETEKEYSET)"));
  }
  return true;
}

}  // namespace kq::cli
