#include "win/support/crypt32_ca.h"

#include <sstream>
#include <utility>

namespace kq::wintest {

namespace {

std::string Failure(const char* call) {
  std::ostringstream text;
  text << call << " failed: 0x" << std::hex << GetLastError();
  return text.str();
}

FILETIME DaysFromNow(int days) {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value{};
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  constexpr int64_t kTicksPerDay = 864000000000LL;
  value.QuadPart =
      static_cast<ULONGLONG>(static_cast<int64_t>(value.QuadPart) + days * kTicksPerDay);
  return FILETIME{value.LowPart, value.HighPart};
}

}  // namespace

Bytes EncodeName(std::wstring_view x500) {
  const std::wstring text(x500);
  DWORD length = 0;
  if (!CertStrToNameW(X509_ASN_ENCODING, text.c_str(), CERT_X500_NAME_STR, nullptr, nullptr,
                      &length, nullptr)) {
    return {};
  }
  Bytes name(length);
  if (!CertStrToNameW(X509_ASN_ENCODING, text.c_str(), CERT_X500_NAME_STR, nullptr, name.data(),
                      &length, nullptr)) {
    return {};
  }
  name.resize(length);
  return name;
}

std::string ToBase64(const Bytes& bytes) {
  DWORD length = 0;
  const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
  if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), flags, nullptr,
                            &length)) {
    return {};
  }
  std::string text(length, '\0');
  if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), flags, text.data(),
                            &length)) {
    return {};
  }
  std::string clean;
  for (const char c : text) {
    if (c != '\r' && c != '\n' && c != '\0') {
      clean.push_back(c);
    }
  }
  return clean;
}

Bytes FromBase64(std::string_view text) {
  DWORD length = 0;
  if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                            nullptr, &length, nullptr, nullptr)) {
    return {};
  }
  Bytes bytes(length);
  if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                            bytes.data(), &length, nullptr, nullptr)) {
    return {};
  }
  bytes.resize(length);
  return bytes;
}

// crypt32's decoding into a buffer of the size it asks for; empty on failure.
Bytes Decode(LPCSTR structType, const BYTE* data, DWORD size) {
  DWORD length = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, structType, data, size, 0, nullptr, nullptr,
                           &length)) {
    return {};
  }
  Bytes decoded(length);
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, structType, data, size, 0, nullptr, decoded.data(),
                           &length)) {
    return {};
  }
  return decoded;
}

CertificateRequest::CertificateRequest(Bytes der) : der_(std::move(der)) {
  const Bytes signedContent = Decode(X509_CERT, der_.data(), static_cast<DWORD>(der_.size()));
  if (signedContent.empty()) {
    problem_ = Failure("CryptDecodeObjectEx(X509_CERT)");
    return;
  }
  const auto* content = reinterpret_cast<const CERT_SIGNED_CONTENT_INFO*>(signedContent.data());
  const Bytes sequence =
      Decode(X509_SEQUENCE_OF_ANY, content->ToBeSigned.pbData, content->ToBeSigned.cbData);
  if (sequence.empty()) {
    problem_ = Failure("CryptDecodeObjectEx(X509_SEQUENCE_OF_ANY)");
    return;
  }
  const auto* parts = reinterpret_cast<const CRYPT_SEQUENCE_OF_ANY*>(sequence.data());
  partCount_ = parts->cValue;
  if (partCount_ < 3) {
    problem_ = "fewer than three parts in the request information";
    return;
  }
  const Bytes version = Decode(X509_INTEGER, parts->rgValue[0].pbData, parts->rgValue[0].cbData);
  if (version.size() >= sizeof(int)) {
    version_ = *reinterpret_cast<const int*>(version.data());
  }
  subject_.assign(parts->rgValue[1].pbData, parts->rgValue[1].pbData + parts->rgValue[1].cbData);
  publicKey_ = Decode(X509_PUBLIC_KEY_INFO, parts->rgValue[2].pbData, parts->rgValue[2].cbData);
  if (publicKey_.empty()) {
    problem_ = Failure("CryptDecodeObjectEx(X509_PUBLIC_KEY_INFO)");
  }
}

std::wstring CertificateRequest::SubjectText() const {
  CERT_NAME_BLOB name = subject();
  wchar_t text[512] = {};
  CertNameToStrW(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, text, 512);
  return text;
}

bool CertificateRequest::SignatureVerifies() const {
  if (!problem_.empty()) {
    return false;
  }
  CERT_PUBLIC_KEY_INFO key = publicKey();
  return CryptVerifyCertificateSignature(0, X509_ASN_ENCODING, der_.data(),
                                         static_cast<DWORD>(der_.size()), &key) != FALSE;
}

Crypt32Ca::Crypt32Ca()
    : container_(L"kqtest-ca-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount64())) {
  if (!CryptAcquireContextW(prov_.out(), container_.c_str(), MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                            CRYPT_NEWKEYSET)) {
    problem_ = Failure("CryptAcquireContextW(CRYPT_NEWKEYSET) for the CA");
    return;
  }
  CryptKey key;
  if (!CryptGenKey(prov_.get(), AT_SIGNATURE, (2048u << 16) | CRYPT_EXPORTABLE, key.out())) {
    problem_ = Failure("CryptGenKey for the CA");
    return;
  }
  name_ = EncodeName(L"CN=Crypt32 Test CA, O=TestAuthority");
  if (name_.empty()) {
    problem_ = Failure("CertStrToNameW");
  }
}

Crypt32Ca::~Crypt32Ca() {
  prov_.Reset();
  HCRYPTPROV deleted = 0;
  CryptAcquireContextW(&deleted, container_.c_str(), MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                       CRYPT_DELETEKEYSET);
}

Bytes Crypt32Ca::Issue(const CERT_NAME_BLOB& subject, const CERT_PUBLIC_KEY_INFO& publicKey) {
  if (!problem_.empty()) {
    return {};
  }
  BYTE serial[4] = {static_cast<BYTE>(serial_), 0x11, 0x22, 0x33};  // little-endian, positive
  ++serial_;
  char signatureOid[] = szOID_RSA_SHA256RSA;
  CERT_INFO info{};
  info.dwVersion = CERT_V3;
  info.SerialNumber = {sizeof serial, serial};
  info.SignatureAlgorithm.pszObjId = signatureOid;
  info.Issuer = {static_cast<DWORD>(name_.size()), name_.data()};
  info.NotBefore = DaysFromNow(-1);
  info.NotAfter = DaysFromNow(30);
  info.Subject = subject;
  info.SubjectPublicKeyInfo = publicKey;
  CRYPT_ALGORITHM_IDENTIFIER algorithm{};
  algorithm.pszObjId = signatureOid;
  DWORD length = 0;
  if (!CryptSignAndEncodeCertificate(prov_.get(), AT_SIGNATURE, X509_ASN_ENCODING,
                                     X509_CERT_TO_BE_SIGNED, &info, &algorithm, nullptr, nullptr,
                                     &length)) {
    return {};
  }
  Bytes certificate(length);
  if (!CryptSignAndEncodeCertificate(prov_.get(), AT_SIGNATURE, X509_ASN_ENCODING,
                                     X509_CERT_TO_BE_SIGNED, &info, &algorithm, nullptr,
                                     certificate.data(), &length)) {
    return {};
  }
  certificate.resize(length);
  return certificate;
}

Bytes Crypt32Ca::IssueForBlob(std::wstring_view subject, const Bytes& publicKeyBlob) {
  Bytes name = EncodeName(subject);
  DWORD length = 0;
  if (name.empty() || !CryptEncodeObjectEx(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB,
                                           publicKeyBlob.data(), 0, nullptr, nullptr, &length)) {
    return {};
  }
  Bytes rsaPublicKey(length);
  if (!CryptEncodeObjectEx(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, publicKeyBlob.data(), 0,
                           nullptr, rsaPublicKey.data(), &length)) {
    return {};
  }
  rsaPublicKey.resize(length);
  char rsaOid[] = szOID_RSA_RSA;
  BYTE nullParameters[] = {0x05, 0x00};
  CERT_PUBLIC_KEY_INFO info{};
  info.Algorithm.pszObjId = rsaOid;
  info.Algorithm.Parameters = {sizeof nullParameters, nullParameters};
  info.PublicKey = {static_cast<DWORD>(rsaPublicKey.size()), rsaPublicKey.data(), 0};
  const CERT_NAME_BLOB subjectName{static_cast<DWORD>(name.size()), name.data()};
  return Issue(subjectName, info);
}

Bytes Crypt32Ca::SelfSigned() {
  DWORD length = 0;
  if (!problem_.empty() ||
      !CryptExportPublicKeyInfo(prov_.get(), AT_SIGNATURE, X509_ASN_ENCODING, nullptr, &length)) {
    return {};
  }
  Bytes info(length);
  auto* publicKey = reinterpret_cast<CERT_PUBLIC_KEY_INFO*>(info.data());
  if (!CryptExportPublicKeyInfo(prov_.get(), AT_SIGNATURE, X509_ASN_ENCODING, publicKey, &length)) {
    return {};
  }
  const CERT_NAME_BLOB name{static_cast<DWORD>(name_.size()), name_.data()};
  return Issue(name, *publicKey);
}

}  // namespace kq::wintest
