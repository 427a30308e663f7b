#include "support/test_certificates.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

namespace kq::test {
namespace {

struct X509Free {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* ctx) const { EVP_PKEY_CTX_free(ctx); }
};

EvpKey Generate(const char* algorithm, int rsaBits) {
  std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> ctx(
      EVP_PKEY_CTX_new_from_name(nullptr, algorithm, nullptr));
  EVP_PKEY* key = nullptr;
  EXPECT_EQ(EVP_PKEY_keygen_init(ctx.get()), 1);
  if (rsaBits != 0) {
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), rsaBits), 1);
  }
  EXPECT_EQ(EVP_PKEY_keygen(ctx.get(), &key), 1);
  return EvpKey(key);
}

std::vector<uint8_t> BigNumberParam(EVP_PKEY* key, const char* name) {
  BIGNUM* number = nullptr;
  EXPECT_EQ(EVP_PKEY_get_bn_param(key, name, &number), 1);
  std::vector<uint8_t> bytes(static_cast<size_t>(BN_num_bytes(number)));
  BN_bn2bin(number, bytes.data());
  BN_free(number);
  return bytes;
}

bool IsSm2(EVP_PKEY* key) {
  return EVP_PKEY_is_a(key, "SM2") == 1;
}

bool Sign(X509* cert, EVP_PKEY* key) {
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> md(EVP_MD_CTX_new());
  EVP_PKEY_CTX* pctx = nullptr;
  if (IsSm2(key)) {
    if (EVP_DigestSignInit(md.get(), &pctx, EVP_sm3(), nullptr, key) != 1) {
      return false;
    }
    static const char kId[] = "1234567812345678";
    EVP_PKEY_CTX_set1_id(pctx, kId, 16);
  } else if (EVP_DigestSignInit(md.get(), &pctx, EVP_sha256(), nullptr, key) != 1) {
    return false;
  }
  return X509_sign_ctx(cert, md.get()) > 0;
}

}  // namespace

EvpKey MakeRsaKey(int bits) {
  return Generate("RSA", bits);
}
EvpKey MakeSm2Key() {
  return Generate("SM2", 0);
}

std::vector<uint8_t> RsaModulus(EVP_PKEY* key) {
  return BigNumberParam(key, OSSL_PKEY_PARAM_RSA_N);
}

std::vector<uint8_t> Sm2Point(EVP_PKEY* key) {
  std::vector<uint8_t> point(65);
  size_t size = 0;
  EXPECT_EQ(EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point.data(),
                                            point.size(), &size),
            1);
  point.resize(size);
  return point;
}

std::vector<uint8_t> MakeCertificate(const CertificateSpec& spec) {
  std::unique_ptr<X509, X509Free> cert(X509_new());
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 4242);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 86400L * 365);

  X509_NAME* subject = X509_get_subject_name(cert.get());
  for (const NameAttribute& attribute : spec.subject) {
    ASN1_OBJECT* object = OBJ_txt2obj(attribute.type.c_str(), 0);
    EXPECT_NE(object, nullptr) << attribute.type;
    EXPECT_EQ(X509_NAME_add_entry_by_OBJ(
                  subject, object, attribute.stringType,
                  reinterpret_cast<const unsigned char*>(attribute.value.data()),
                  static_cast<int>(attribute.value.size()), -1, attribute.sameRdn ? -1 : 0),
              1);
    ASN1_OBJECT_free(object);
  }
  EVP_PKEY* issuerKey = spec.issuerKey != nullptr ? spec.issuerKey : spec.subjectKey;
  // The issuer name is the subject's for self-signed certificates and a fixed CA name otherwise.
  if (spec.issuerKey == nullptr) {
    X509_set_issuer_name(cert.get(), subject);
  } else {
    X509_NAME* issuer = X509_get_issuer_name(cert.get());
    X509_NAME_add_entry_by_txt(issuer, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Test CA"), -1, -1, 0);
  }
  EXPECT_EQ(X509_set_pubkey(cert.get(), spec.subjectKey), 1);
  if (spec.keyAlgorithmOid) {
    X509_PUBKEY* pub = X509_get_X509_PUBKEY(cert.get());
    auto* bits = static_cast<unsigned char*>(OPENSSL_malloc(spec.keyBits.size() + 1));
    std::copy(spec.keyBits.begin(), spec.keyBits.end(), bits);
    // RSA keys carry NULL parameters, EC keys the SM2 curve.
    const bool rsa = *spec.keyAlgorithmOid == "1.2.840.113549.1.1.1";
    void* parameters = rsa ? nullptr : OBJ_txt2obj("1.2.156.10197.1.301", 1);
    EXPECT_EQ(X509_PUBKEY_set0_param(pub, OBJ_txt2obj(spec.keyAlgorithmOid->c_str(), 1),
                                     rsa ? V_ASN1_NULL : V_ASN1_OBJECT, parameters, bits,
                                     static_cast<int>(spec.keyBits.size())),
              1);
  }
  if (!Sign(cert.get(), issuerKey)) {
    ADD_FAILURE() << "could not sign the test certificate";
    return {};
  }
  const int size = i2d_X509(cert.get(), nullptr);
  std::vector<uint8_t> der(static_cast<size_t>(size));
  unsigned char* cursor = der.data();
  i2d_X509(cert.get(), &cursor);
  return der;
}

}  // namespace kq::test
