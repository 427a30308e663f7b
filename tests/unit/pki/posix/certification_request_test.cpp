// PKCS #10 requests byte for byte, and whole requests signed with OpenSSL's library checked by
// the openssl command.
#include <gtest/gtest.h>
#include <openssl/ec.h>
#include <openssl/rsa.h>

#include "crypto/hash_classes.h"
#include "crypto/sm2_prepare.h"
#include "pki/certification_request.h"
#include "support/openssl_request_check.h"
#include "support/test_certificates.h"

namespace kq {
namespace {

ByteVector Prefix(const ByteVector& bytes, size_t n) {
  return ByteVector(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(CertificationRequest, SubjectNameOfTwoComponents) {
  const std::vector<DnComponent> components{{"CN", "a"}, {"OU", "b"}};
  ByteVector name;
  ASSERT_EQ(EncodeSubjectName(components, name), 0);
  EXPECT_EQ(name, (ByteVector{0x30, 0x18, 0x31, 0x0A, 0x30, 0x08, 0x06, 0x03, 0x55,
                              0x04, 0x03, 0x0C, 0x01, 0x61, 0x31, 0x0A, 0x30, 0x08,
                              0x06, 0x03, 0x55, 0x04, 0x0B, 0x0C, 0x01, 0x62}));
}

TEST(CertificationRequest, SubjectTypesAndBlanks) {
  ByteVector lower;
  ByteVector upper;
  ASSERT_EQ(EncodeSubjectName(std::vector<DnComponent>{{" cn ", " a "}, {"t", "S"}}, lower), 0);
  ASSERT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", "a"}, {"T", "S"}}, upper), 0);
  EXPECT_EQ(lower, upper);
  // A blank component is skipped; an unknown type stops the build.
  ByteVector skipped;
  ASSERT_EQ(
      EncodeSubjectName(std::vector<DnComponent>{{"CN", "a"}, {"O", "  "}, {"T", "S"}}, skipped),
      0);
  EXPECT_EQ(skipped, upper);
  ByteVector name{1, 2};
  EXPECT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", "a"}, {"L", "x"}}, name), 2);
  EXPECT_TRUE(name.empty());
  EXPECT_EQ(EncodeSubjectName(std::vector<DnComponent>{}, name), 1);

  ByteVector rdns{0xAA};
  const uint8_t value = 'x';
  EXPECT_EQ(EncodeRdn("L", 1, &value, 1, rdns), 1);
  EXPECT_EQ(EncodeRdn("", 0, &value, 1, rdns), -1);
  EXPECT_EQ(EncodeRdn(nullptr, 2, &value, 1, rdns), -1);
  EXPECT_EQ(rdns, ByteVector{0xAA});
  ASSERT_EQ(EncodeRdn("c", 1, &value, 1, rdns), 0);
  EXPECT_EQ(rdns, (ByteVector{0xAA, 0x31, 0x0A, 0x30, 0x08, 0x06, 0x03, 0x55, 0x04, 0x06, 0x0C,
                              0x01, 'x'}));
}

TEST(CertificationRequest, TextValuesAreNeverGivenASignByte) {
  // A value whose first byte is 0x80 or more (any Chinese text) stays exactly as given.
  const std::string value = "\xD5\xC5\xC8\xFD";
  ByteVector name;
  ASSERT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", value}}, name), 0);
  EXPECT_EQ(name, (ByteVector{0x30, 0x0F, 0x31, 0x0D, 0x30, 0x0B, 0x06, 0x03, 0x55, 0x04, 0x03,
                              0x0C, 0x04, 0xD5, 0xC5, 0xC8, 0xFD}));
}

TEST(CertificationRequest, RsaPublicKeyInfo) {
  const ByteVector exponent{0x00, 0x01, 0x00, 0x01};
  ByteVector modulus(128, 0x11);
  modulus[0] = 0xC3;
  ByteVector info;
  ASSERT_EQ(EncodeRsaPublicKeyInfo(modulus.data(), modulus.size(), exponent.data(), exponent.size(),
                                   info),
            0);
  // The modulus INTEGER is one byte longer than the modulus: 02 81 81 00 C3 ...
  const ByteVector expectedHead{0x30, 0x81, 0xA0, 0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48,
                                0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01, 0x05, 0x00, 0x03, 0x81,
                                0x8E, 0x00, 0x30, 0x81, 0x8A, 0x02, 0x81, 0x81, 0x00, 0xC3};
  EXPECT_EQ(Prefix(info, expectedHead.size()), expectedHead);
  const ByteVector tail{0x02, 0x04, 0x00, 0x01, 0x00, 0x01};
  EXPECT_EQ(ByteVector(info.end() - 6, info.end()), tail);

  const ByteVector modulus2048(256, 0x9A);
  ASSERT_EQ(EncodeRsaPublicKeyInfo(modulus2048.data(), modulus2048.size(), exponent.data(),
                                   exponent.size(), info),
            0);
  const ByteVector integerHead{0x02, 0x82, 0x01, 0x01, 0x00, 0x9A};
  EXPECT_NE(std::search(info.begin(), info.end(), integerHead.begin(), integerHead.end()),
            info.end());

  EXPECT_EQ(EncodeRsaPublicKeyInfo(modulus.data(), 0, exponent.data(), 4, info), -1);
  EXPECT_EQ(EncodeRsaPublicKeyInfo(modulus.data(), 128, nullptr, 4, info), -1);
  EXPECT_TRUE(info.empty());
}

TEST(CertificationRequest, Sm2PublicKeyInfoAndSignature) {
  ByteVector point(64, 0x5A);
  ByteVector info;
  ASSERT_EQ(EncodeSm2PublicKeyInfo(point.data(), point.size(), info), 0);
  const ByteVector expectedHead{0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2A, 0x86, 0x48, 0xCE,
                                0x3D, 0x02, 0x01, 0x06, 0x08, 0x2A, 0x81, 0x1C, 0xCF, 0x55,
                                0x01, 0x82, 0x2D, 0x03, 0x42, 0x00, 0x04, 0x5A};
  EXPECT_EQ(Prefix(info, expectedHead.size()), expectedHead);
  EXPECT_EQ(info.size(), 0x5Bu);
  EXPECT_EQ(EncodeSm2PublicKeyInfo(point.data(), 0, info), -1);

  ByteVector r(32, 0x01);
  ByteVector s(32, 0x02);
  r[0] = 0x9F;
  s[0] = 0x00;
  ByteVector signature;
  ASSERT_EQ(EncodeSm2Signature(r.data(), s.data(), signature), 0);
  EXPECT_EQ(Prefix(signature, 8), (ByteVector{0x03, 0x47, 0x00, 0x30, 0x44, 0x02, 0x21, 0x00}));
  EXPECT_EQ(signature[8], 0x9F);
  // s in its shortest form: the leading zero byte goes.
  EXPECT_EQ(ByteVector(signature.begin() + 40, signature.begin() + 43),
            (ByteVector{0x02, 0x1F, 0x02}));
  EXPECT_EQ(signature.size(), 73u);
  // A value of zero keeps one byte.
  const ByteVector zero(32, 0x00);
  ASSERT_EQ(EncodeSm2Signature(zero.data(), zero.data(), signature), 0);
  EXPECT_EQ(signature,
            (ByteVector{0x03, 0x09, 0x00, 0x30, 0x06, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00}));
  EXPECT_EQ(EncodeSm2Signature(r.data(), nullptr, signature), -1);
  EXPECT_TRUE(signature.empty());
}

TEST(CertificationRequest, RequestInfoAlgorithmsAndSignatureValue) {
  const ByteVector subject{0x30, 0x00};
  const ByteVector key{0x30, 0x01, 0x00};
  ByteVector info;
  ASSERT_EQ(EncodeRequestInfo(subject, key, info), 0);
  EXPECT_EQ(info, (ByteVector{0x30, 0x08, 0x02, 0x01, 0x01, 0x30, 0x00, 0x30, 0x01, 0x00}));

  ByteVector algorithm;
  ASSERT_EQ(EncodeSignatureAlgorithm(2, algorithm), 0);
  EXPECT_EQ(algorithm, (ByteVector{0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01,
                                   0x01, 0x0B, 0x05, 0x00}));
  ASSERT_EQ(EncodeSignatureAlgorithm(5, algorithm), 0);
  EXPECT_EQ(algorithm, (ByteVector{0x30, 0x0C, 0x06, 0x08, 0x2A, 0x81, 0x1C, 0xCF, 0x55, 0x01, 0x83,
                                   0x75, 0x05, 0x00}));
  EXPECT_EQ(EncodeSignatureAlgorithm(6, algorithm), -1);
  EXPECT_EQ(EncodeSignatureAlgorithm(-1, algorithm), -1);

  const ByteVector rsaSignature{0x80, 0x01};
  ByteVector value;
  ASSERT_EQ(EncodeRsaSignature(rsaSignature.data(), rsaSignature.size(), value), 0);
  EXPECT_EQ(value, (ByteVector{0x03, 0x03, 0x00, 0x80, 0x01}));
  EXPECT_EQ(EncodeRsaSignature(rsaSignature.data(), 0, value), -1);

  ByteVector request;
  ASSERT_EQ(EncodeRequest(info, algorithm, value, request), 0);
  EXPECT_EQ(Prefix(request, 2), (ByteVector{0x30, static_cast<uint8_t>(request.size() - 2)}));
}

// Whole requests, signed as the key signs them: the digest (e for SM2) of the request body.
class SignedRequest : public ::testing::Test {
 protected:
  static ByteVector Body(const ByteVector& publicKeyInfo) {
    ByteVector subject;
    EXPECT_EQ(
        EncodeSubjectName(
            std::vector<DnComponent>{
                {"CN", "Zhang San"}, {"OU", "Retail"}, {"O", "Bank"}, {"C", "CN"}, {"T", "S"}},
            subject),
        0);
    ByteVector body;
    EXPECT_EQ(EncodeRequestInfo(subject, publicKeyInfo, body), 0);
    return body;
  }

  static ByteVector Assemble(const ByteVector& body, int algorithmIndex,
                             const ByteVector& signatureValue) {
    ByteVector algorithm;
    EXPECT_EQ(EncodeSignatureAlgorithm(algorithmIndex, algorithm), 0);
    ByteVector request;
    EXPECT_EQ(EncodeRequest(body, algorithm, signatureValue, request), 0);
    return request;
  }

  static ByteVector RsaRequest(EVP_PKEY* key, HashAlg alg, int algorithmIndex, const EVP_MD* md) {
    const ByteVector modulus = test::RsaModulus(key);
    const ByteVector exponent = test::RsaExponent(key);
    ByteVector info;
    EXPECT_EQ(EncodeRsaPublicKeyInfo(modulus.data(), modulus.size(), exponent.data(),
                                     exponent.size(), info),
              0);
    const ByteVector body = Body(info);
    auto engine = CreateHashEngine(alg);
    engine->Update(body.data(), static_cast<uint32_t>(body.size()));
    ByteVector digest(engine->GetDigestSize());
    engine->Final(digest.data());

    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
    EXPECT_EQ(EVP_PKEY_sign_init(ctx), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_signature_md(ctx, md), 1);
    size_t size = 0;
    EXPECT_EQ(EVP_PKEY_sign(ctx, nullptr, &size, digest.data(), digest.size()), 1);
    ByteVector signature(size);
    EXPECT_EQ(EVP_PKEY_sign(ctx, signature.data(), &size, digest.data(), digest.size()), 1);
    EVP_PKEY_CTX_free(ctx);
    ByteVector value;
    EXPECT_EQ(EncodeRsaSignature(signature.data(), size, value), 0);
    return Assemble(body, algorithmIndex, value);
  }

  static ByteVector Sm2Request(EVP_PKEY* key) {
    const ByteVector point = test::Sm2Point(key);  // 04 || X || Y
    ByteVector info;
    EXPECT_EQ(EncodeSm2PublicKeyInfo(point.data() + 1, 64, info), 0);
    const ByteVector body = Body(info);
    uint8_t z[32];
    uint8_t e[32];
    EXPECT_EQ(Sm2ComputeZ(kSm2DefaultIdentity.data(), point.data() + 1, point.data() + 33, z), 0);
    EXPECT_EQ(Sm2ComputeE(z, body.data(), static_cast<int32_t>(body.size()), e), 0);

    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
    EXPECT_EQ(EVP_PKEY_sign_init(ctx), 1);
    size_t size = 0;
    EXPECT_EQ(EVP_PKEY_sign(ctx, nullptr, &size, e, sizeof e), 1);
    ByteVector der(size);
    EXPECT_EQ(EVP_PKEY_sign(ctx, der.data(), &size, e, sizeof e), 1);
    EVP_PKEY_CTX_free(ctx);
    // The device hands r and s as two 32-byte values.
    const unsigned char* cursor = der.data();
    ECDSA_SIG* parsed = d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(size));
    EXPECT_NE(parsed, nullptr);
    uint8_t rs[64];
    BN_bn2binpad(ECDSA_SIG_get0_r(parsed), rs, 32);
    BN_bn2binpad(ECDSA_SIG_get0_s(parsed), rs + 32, 32);
    ECDSA_SIG_free(parsed);
    ByteVector value;
    EXPECT_EQ(EncodeSm2Signature(rs, rs + 32, value), 0);
    return Assemble(body, 5, value);
  }
};

TEST_F(SignedRequest, RsaRequestsVerifyWithOpenSslForEveryHash) {
  const test::EvpKey key = test::MakeRsaKey(1024);
  const struct {
    HashAlg alg;
    int index;
    const EVP_MD* (*md)();
  } cases[] = {{HashAlg::kMd5, 0, EVP_md5},
               {HashAlg::kSha1, 1, EVP_sha1},
               {HashAlg::kSha256, 2, EVP_sha256},
               {HashAlg::kSha384, 3, EVP_sha384},
               {HashAlg::kSha512, 4, EVP_sha512}};
  for (const auto& c : cases) {
    const ByteVector request = RsaRequest(key.get(), c.alg, c.index, c.md());
    const test::RequestCheck check = test::CheckRequestWithOpenSsl(request, false);
    EXPECT_TRUE(check.verified) << c.index << ": " << check.output;
  }
  const test::EvpKey key2048 = test::MakeRsaKey(2048);
  const ByteVector request = RsaRequest(key2048.get(), HashAlg::kSha256, 2, EVP_sha256());
  EXPECT_TRUE(test::CheckRequestWithOpenSsl(request, false).verified);
}

TEST_F(SignedRequest, Sm2RequestVerifiesWithOpenSsl) {
  const test::EvpKey key = test::MakeSm2Key();
  ByteVector request = Sm2Request(key.get());
  const test::RequestCheck check = test::CheckRequestWithOpenSsl(request, true);
  EXPECT_TRUE(check.verified) << check.output;
  // The verdict is read, not the exit code: a damaged signature must be reported as such.
  request[request.size() - 3] ^= 0x01;
  EXPECT_FALSE(test::CheckRequestWithOpenSsl(request, true).verified);
}

}  // namespace
}  // namespace kq
