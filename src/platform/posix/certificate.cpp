#include "platform/certificate.h"

#include <openssl/err.h>
#include <openssl/x509.h>

#include <climits>
#include <cstring>

#include "platform/posix/x500_name.h"

namespace kq::platform {
namespace {

X509* Cert(void* handle) {
  return static_cast<X509*>(handle);
}

}  // namespace

void Certificate::Release() {
  if (handle_ != nullptr) {
    X509_free(Cert(handle_));
    handle_ = nullptr;
  }
}

Certificate Certificate::Decode(std::span<const uint8_t> der) {
  if (der.empty() || der.size() > LONG_MAX) {
    return Certificate();
  }
  const unsigned char* cursor = der.data();
  X509* cert = d2i_X509(nullptr, &cursor, static_cast<long>(der.size()));
  if (cert == nullptr) {
    ERR_clear_error();
    return Certificate();
  }
  // Exactly one certificate: bytes after it are refused rather than ignored.
  if (cursor != der.data() + der.size()) {
    X509_free(cert);
    return Certificate();
  }
  return Certificate(cert);
}

std::span<const uint8_t> Certificate::PublicKeyBits() const {
  if (handle_ == nullptr) {
    return {};
  }
  const unsigned char* key = nullptr;
  int length = 0;
  if (X509_PUBKEY_get0_param(nullptr, &key, &length, nullptr,
                             X509_get_X509_PUBKEY(Cert(handle_))) != 1 ||
      key == nullptr || length <= 0) {
    return {};
  }
  return {key, static_cast<size_t>(length)};
}

uint32_t Certificate::SubjectText(char* buffer, uint32_t size) const {
  if (handle_ == nullptr) {
    return 0;
  }
  std::string text;
  if (!RenderX500Name(X509_get_subject_name(Cert(handle_)), text) || text.size() >= UINT32_MAX) {
    return 0;
  }
  const auto needed = static_cast<uint32_t>(text.size() + 1);
  if (buffer == nullptr || size == 0) {
    return needed;
  }
  const uint32_t copied = size < needed ? size - 1 : needed - 1;
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return copied + 1;
}

bool Certificate::IsSignedByOwnKey() const {
  if (handle_ == nullptr) {
    return false;
  }
  X509* cert = Cert(handle_);
  EVP_PKEY* key = X509_get0_pubkey(cert);
  if (key == nullptr) {
    ERR_clear_error();
    return false;
  }
  // SM2 signatures hash Z over a signer identity; OpenSSL needs it told, and every SM2
  // signature of this system uses the default identity.
  if (EVP_PKEY_is_a(key, "SM2") == 1 && X509_get0_distinguishing_id(cert) == nullptr) {
    static constexpr char kDefaultIdentity[] = "1234567812345678";
    ASN1_OCTET_STRING* identity = ASN1_OCTET_STRING_new();
    if (identity == nullptr ||
        ASN1_OCTET_STRING_set(identity, reinterpret_cast<const unsigned char*>(kDefaultIdentity),
                              sizeof kDefaultIdentity - 1) != 1) {
      ASN1_OCTET_STRING_free(identity);
      return false;
    }
    X509_set0_distinguishing_id(cert, identity);
  }
  const bool verified = X509_verify(cert, key) == 1;
  ERR_clear_error();
  return verified;
}

}  // namespace kq::platform
