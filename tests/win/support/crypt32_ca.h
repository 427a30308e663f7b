#pragma once
// A certification authority made for one test with crypt32 over Wine's Microsoft software
// provider: an RSA key in a temporary container (deleted again when the object goes) that signs
// certificates with CryptSignAndEncodeCertificate. Nothing here comes from the system under test.
#include <windows.h>

#include <wincrypt.h>

#include <string>
#include <string_view>

#include "win/support/crypt_handles.h"

namespace kq::wintest {

// A PKCS #10 request read with crypt32. The requests carry version 1 and no attributes element,
// which crypt32's X509_CERT_REQUEST_TO_BE_SIGNED decoder refuses, so the request is taken apart
// with the generic decoders: the signed content (X509_CERT), its sequence of parts
// (X509_SEQUENCE_OF_ANY), the version (X509_INTEGER) and the public key (X509_PUBLIC_KEY_INFO).
class CertificateRequest {
 public:
  explicit CertificateRequest(Bytes der);
  CertificateRequest(const CertificateRequest&) = delete;
  CertificateRequest& operator=(const CertificateRequest&) = delete;

  // Empty when crypt32 read the request, else what failed.
  [[nodiscard]] const std::string& problem() const { return problem_; }
  [[nodiscard]] int version() const { return version_; }
  // The number of parts of the request information (version, subject, public key: 3).
  [[nodiscard]] size_t partCount() const { return partCount_; }
  [[nodiscard]] CERT_NAME_BLOB subject() const {
    return {static_cast<DWORD>(subject_.size()), const_cast<BYTE*>(subject_.data())};
  }
  [[nodiscard]] const CERT_PUBLIC_KEY_INFO& publicKey() const {
    return *reinterpret_cast<const CERT_PUBLIC_KEY_INFO*>(publicKey_.data());
  }
  // The subject as CertNameToStrW renders it with CERT_X500_NAME_STR.
  [[nodiscard]] std::wstring SubjectText() const;
  // crypt32 checks the request's self-signature with the public key it carries.
  [[nodiscard]] bool SignatureVerifies() const;

 private:
  Bytes der_;
  Bytes subject_;
  Bytes publicKey_;  // a decoded CERT_PUBLIC_KEY_INFO
  int version_ = -1;
  size_t partCount_ = 0;
  std::string problem_;
};

class Crypt32Ca {
 public:
  Crypt32Ca();
  Crypt32Ca(const Crypt32Ca&) = delete;
  Crypt32Ca& operator=(const Crypt32Ca&) = delete;
  ~Crypt32Ca();

  // Empty when the CA is ready, else what failed.
  [[nodiscard]] const std::string& problem() const { return problem_; }

  // A certificate (DER) for the public key, to the subject (an encoded X.500 name); empty on
  // failure.
  Bytes Issue(const CERT_NAME_BLOB& subject, const CERT_PUBLIC_KEY_INFO& publicKey);
  // The same for a subject given as an X.500 string ("CN=Holder, O=Bank") and a PUBLICKEYBLOB.
  Bytes IssueForBlob(std::wstring_view subject, const Bytes& publicKeyBlob);
  // The CA's own certificate, signed with its own key.
  Bytes SelfSigned();

 private:
  std::wstring container_;
  CryptContext prov_;
  Bytes name_;
  std::string problem_;
  DWORD serial_ = 1;
};

// The encoded X.500 name of a string such as "CN=Holder, O=Bank"; empty on failure.
Bytes EncodeName(std::wstring_view x500);

// Base64 without line breaks, and back (crypt32's coder); empty on failure.
std::string ToBase64(const Bytes& bytes);
Bytes FromBase64(std::string_view text);

}  // namespace kq::wintest
