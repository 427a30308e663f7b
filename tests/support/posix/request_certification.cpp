// Certificates for the requests of KQ_CreatePKCS10, from a throwaway RSA authority made with
// OpenSSL's library: the request's subject and public key, signed with SHA-256.

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

#include "support/device_call_workload.h"
#include "support/openssl_command.h"
#include "support/test_certificates.h"

namespace kq::test {

namespace {

struct X509Free {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct RequestFree {
  void operator()(X509_REQ* request) const { X509_REQ_free(request); }
};

EVP_PKEY* Authority() {
  static const EvpKey key(EVP_RSA_gen(2048));
  return key.get();
}

}  // namespace

std::string CertifyRequest(const std::string& requestBase64, uint32_t serial) {
  const std::vector<uint8_t> der = FromBase64(requestBase64);
  const uint8_t* cursor = der.data();
  const std::unique_ptr<X509_REQ, RequestFree> request(
      d2i_X509_REQ(nullptr, &cursor, static_cast<long>(der.size())));
  EVP_PKEY* authority = Authority();
  if (!request || authority == nullptr) {
    return "";
  }
  // An RSA request whose signature does not verify with its own key is not certified (SM2 ones
  // would need their signer's identity).
  EVP_PKEY* requestKey = X509_REQ_get0_pubkey(request.get());
  if (EVP_PKEY_get_base_id(requestKey) == EVP_PKEY_RSA &&
      X509_REQ_verify(request.get(), requestKey) != 1) {
    return "";
  }
  const std::unique_ptr<X509, X509Free> certificate(X509_new());
  X509_NAME* issuer = X509_NAME_new();
  X509_NAME_add_entry_by_txt(issuer, "CN", MBSTRING_ASC,
                             reinterpret_cast<const uint8_t*>("Budget CA"), -1, -1, 0);
  const bool built =
      X509_set_version(certificate.get(), 2) == 1 &&
      ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial) == 1 &&
      X509_set_issuer_name(certificate.get(), issuer) == 1 &&
      X509_set_subject_name(certificate.get(), X509_REQ_get_subject_name(request.get())) == 1 &&
      X509_set_pubkey(certificate.get(), X509_REQ_get0_pubkey(request.get())) == 1 &&
      X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0) != nullptr &&
      X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 86400L * 365) != nullptr &&
      X509_sign(certificate.get(), authority, EVP_sha256()) > 0;
  X509_NAME_free(issuer);
  if (!built) {
    return "";
  }
  uint8_t* encoded = nullptr;
  const int length = i2d_X509(certificate.get(), &encoded);
  if (length <= 0) {
    return "";
  }
  const std::vector<uint8_t> bytes(encoded, encoded + length);
  OPENSSL_free(encoded);
  return ToBase64(bytes);
}

}  // namespace kq::test
