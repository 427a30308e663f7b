#pragma once
// Certificates and keys made with OpenSSL's library for tests: RSA and SM2 keys, subjects with
// chosen attribute types, string types and multi-valued RDNs, certificates signed by their own
// key or by another, and certificates whose public key bits are given byte for byte.

#include <openssl/evp.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kq::test {

struct EvpKeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using EvpKey = std::unique_ptr<EVP_PKEY, EvpKeyFree>;

EvpKey MakeRsaKey(int bits);
EvpKey MakeSm2Key();

// The public key as the device hands it out: the RSA modulus, or the SM2 point.
std::vector<uint8_t> RsaModulus(EVP_PKEY* key);
std::vector<uint8_t> Sm2Point(EVP_PKEY* key);  // 04 || X || Y

// One attribute of a subject: an OID ("2.5.4.3") or short name ("CN"), the ASN.1 string type
// (V_ASN1_UTF8STRING, V_ASN1_BMPSTRING, ...) and the value bytes as encoded. With sameRdn the
// attribute joins the previous one's RDN.
struct NameAttribute {
  std::string type;
  std::string value;
  int stringType = 0x0C;  // V_ASN1_UTF8STRING
  bool sameRdn = false;
};

struct CertificateSpec {
  std::vector<NameAttribute> subject;
  EVP_PKEY* subjectKey = nullptr;  // the certified key
  EVP_PKEY* issuerKey = nullptr;   // signs; null for a self-signed certificate
  // When set, replaces the subject public key: algorithm OID, and the key bits byte for byte.
  std::optional<std::string> keyAlgorithmOid;
  std::vector<uint8_t> keyBits;
};

// DER bytes of the certificate; fails the running test and returns nothing on error.
std::vector<uint8_t> MakeCertificate(const CertificateSpec& spec);

}  // namespace kq::test
