#include <windows.h>

#include <wincrypt.h>

#include "platform/certificate.h"

namespace kq::platform {
namespace {

PCCERT_CONTEXT Context(void* handle) {
  return static_cast<PCCERT_CONTEXT>(handle);
}

constexpr DWORD kDecodingTypes = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

}  // namespace

void Certificate::Release() {
  if (handle_ != nullptr) {
    CertFreeCertificateContext(Context(handle_));
    handle_ = nullptr;
  }
}

Certificate Certificate::Decode(std::span<const uint8_t> der) {
  if (der.empty() || der.size() > 0x7FFFFFFF) {
    return Certificate();
  }
  PCCERT_CONTEXT context =
      CertCreateCertificateContext(kDecodingTypes, der.data(), static_cast<DWORD>(der.size()));
  return Certificate(const_cast<CERT_CONTEXT*>(context));
}

std::span<const uint8_t> Certificate::PublicKeyBits() const {
  if (handle_ == nullptr) {
    return {};
  }
  const CRYPT_BIT_BLOB& key = Context(handle_)->pCertInfo->SubjectPublicKeyInfo.PublicKey;
  return {key.pbData, key.cbData};
}

uint32_t Certificate::SubjectText(char* buffer, uint32_t size) const {
  if (handle_ == nullptr) {
    return 0;
  }
  CERT_CONTEXT* context = const_cast<CERT_CONTEXT*>(Context(handle_));
  return CertNameToStrA(X509_ASN_ENCODING, &context->pCertInfo->Subject, CERT_X500_NAME_STR, buffer,
                        buffer != nullptr ? size : 0);
}

bool Certificate::IsSignedByOwnKey() const {
  if (handle_ == nullptr) {
    return false;
  }
  CERT_CONTEXT* context = const_cast<CERT_CONTEXT*>(Context(handle_));
  return CryptVerifyCertificateSignature(0, X509_ASN_ENCODING, context->pbCertEncoded,
                                         context->cbCertEncoded,
                                         &context->pCertInfo->SubjectPublicKeyInfo) != FALSE;
}

}  // namespace kq::platform
