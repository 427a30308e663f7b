// Certificates for the requests of KQ_CreatePKCS10 on Windows, from a throwaway RSA authority
// in the system's own provider: crypt32 signs a certificate with the request's subject and
// public key (SHA-256 with RSA). The two are taken out of the request's DER here, as Wine's
// crypt32 does not decode certification requests.

#include <windows.h>
// windows.h first: wincrypt.h needs its types.
#include <wincrypt.h>

#include <memory>
#include <span>
#include <vector>

#include "common/byte_reader.h"
#include "support/device_call_workload.h"

namespace kq::test {

namespace {

struct LocalFree_ {
  void operator()(void* memory) const { LocalFree(memory); }
};

// The authority's key, made once in a verify-only context of the system's AES provider (the one
// that signs with SHA-256) and kept for the process.
HCRYPTPROV Authority() {
  static const HCRYPTPROV provider = [] {
    HCRYPTPROV made = 0;
    HCRYPTKEY key = 0;
    if (!CryptAcquireContextW(&made, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT) ||
        !CryptGenKey(made, AT_SIGNATURE, (2048u << 16) | CRYPT_EXPORTABLE, &key)) {
      return HCRYPTPROV{0};
    }
    CryptDestroyKey(key);
    return made;
  }();
  return provider;
}

std::vector<uint8_t> FromBase64(const std::string& text) {
  DWORD length = 0;
  if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                            nullptr, &length, nullptr, nullptr)) {
    return {};
  }
  std::vector<uint8_t> bytes(length);
  if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                            bytes.data(), &length, nullptr, nullptr)) {
    return {};
  }
  bytes.resize(length);
  return bytes;
}

std::string ToBase64(const std::vector<uint8_t>& bytes) {
  const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
  DWORD length = 0;
  if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), flags, nullptr,
                            &length)) {
    return "";
  }
  std::string text(length, '\0');
  if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), flags, text.data(),
                            &length)) {
    return "";
  }
  text.resize(length);
  return text;
}

// One DER element: `whole` its encoding, `content` what follows the header. Lengths of up to three
// bytes; false when the element runs past the input.
bool TakeElement(ByteReader& reader, std::span<const uint8_t>& whole,
                 std::span<const uint8_t>& content) {
  const std::span<const uint8_t> rest = reader.rest();
  uint8_t tag = 0;
  uint8_t first = 0;
  if (!reader.u8(tag) || !reader.u8(first)) {
    return false;
  }
  size_t length = first;
  size_t header = 2;
  if (first > 0x80) {
    const size_t count = first & 0x7F;
    if (count > 3) {
      return false;
    }
    length = 0;
    for (size_t i = 0; i < count; ++i) {
      uint8_t byte = 0;
      if (!reader.u8(byte)) {
        return false;
      }
      length = length << 8 | byte;
    }
    header += count;
  } else if (first == 0x80) {
    return false;  // indefinite lengths are not DER
  }
  if (!reader.take(length, content)) {
    return false;
  }
  whole = rest.first(header + length);
  return true;
}

// The subject (an encoded Name) and the SubjectPublicKeyInfo of a DER certification request.
bool SplitRequest(std::span<const uint8_t> der, std::span<const uint8_t>& subject,
                  std::span<const uint8_t>& publicKey) {
  ByteReader outer(der);
  std::span<const uint8_t> whole;
  std::span<const uint8_t> request;
  std::span<const uint8_t> info;
  std::span<const uint8_t> content;
  if (!TakeElement(outer, whole, request)) {
    return false;
  }
  ByteReader inRequest(request);
  if (!TakeElement(inRequest, whole, info)) {
    return false;
  }
  ByteReader fields(info);
  return TakeElement(fields, whole, content) &&  // version
         TakeElement(fields, subject, content) && TakeElement(fields, publicKey, content);
}

// Decodes `der` as `type` into memory that LocalFree releases.
template <typename T>
std::unique_ptr<T, LocalFree_> Decode(LPCSTR type, const BYTE* der, DWORD length) {
  void* decoded = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, type, der, length, CRYPT_DECODE_ALLOC_FLAG, nullptr,
                           &decoded, &size)) {
    return nullptr;
  }
  return std::unique_ptr<T, LocalFree_>(static_cast<T*>(decoded));
}

}  // namespace

std::string CertifyRequest(const std::string& requestBase64, uint32_t serialNumber) {
  DWORD serial = serialNumber;
  const std::vector<uint8_t> der = FromBase64(requestBase64);
  std::span<const uint8_t> subject;
  std::span<const uint8_t> publicKeyDer;
  if (!SplitRequest(der, subject, publicKeyDer) || Authority() == 0) {
    return "";
  }
  const auto publicKey = Decode<CERT_PUBLIC_KEY_INFO>(X509_PUBLIC_KEY_INFO, publicKeyDer.data(),
                                                      static_cast<DWORD>(publicKeyDer.size()));
  if (!publicKey) {
    return "";
  }
  BYTE issuer[128];
  DWORD issuerLength = sizeof issuer;
  if (!CertStrToNameW(X509_ASN_ENCODING, L"CN=Budget CA", CERT_X500_NAME_STR, nullptr, issuer,
                      &issuerLength, nullptr)) {
    return "";
  }
  CERT_INFO info{};
  info.dwVersion = CERT_V3;
  info.SerialNumber = {sizeof serial, reinterpret_cast<BYTE*>(&serial)};
  CRYPT_ALGORITHM_IDENTIFIER algorithm{const_cast<LPSTR>(szOID_RSA_SHA256RSA), {0, nullptr}};
  info.SignatureAlgorithm = algorithm;
  info.Issuer = {issuerLength, issuer};
  SYSTEMTIME now{};
  GetSystemTime(&now);
  SystemTimeToFileTime(&now, &info.NotBefore);
  now.wYear = static_cast<WORD>(now.wYear + 1);
  now.wDay = now.wDay > 28 ? 28 : now.wDay;
  SystemTimeToFileTime(&now, &info.NotAfter);
  info.Subject = {static_cast<DWORD>(subject.size()), const_cast<BYTE*>(subject.data())};
  info.SubjectPublicKeyInfo = *publicKey;
  DWORD length = 0;
  if (!CryptSignAndEncodeCertificate(Authority(), AT_SIGNATURE, X509_ASN_ENCODING,
                                     X509_CERT_TO_BE_SIGNED, &info, &algorithm, nullptr, nullptr,
                                     &length)) {
    return "";
  }
  std::vector<uint8_t> certificate(length);
  if (!CryptSignAndEncodeCertificate(Authority(), AT_SIGNATURE, X509_ASN_ENCODING,
                                     X509_CERT_TO_BE_SIGNED, &info, &algorithm, nullptr,
                                     certificate.data(), &length)) {
    return "";
  }
  certificate.resize(length);
  return ToBase64(certificate);
}

}  // namespace kq::test
