// The size the enrolment export reserves before any key exists: for every DN length it is at
// least the length of a request made with real key material, whose integers take their extra
// leading zero (a modulus and a signature with the top bit set).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pki/base64.h"
#include "pki/certification_request.h"
#include "tools/request_signing.h"
#include "tools/request_text.h"

namespace kq::tools {
namespace {

struct KeyType {
  const char* text;  // in the request text
  size_t modulus;    // RSA modulus or SM2 X and Y
  size_t signature;  // RSA block or SM2 r || s
  bool sm2;
};

constexpr KeyType kKeyTypes[] = {
    {"RSA1024|SHA256", 128, 128, false},
    {"RSA2048|SHA512", 256, 256, false},
    {"SM2|SM3", 32, 64, true},
};

// The request a real key gives: modulus and signature with the top bit set, exponent 65537.
size_t RealRequestLength(const CertificateRequestRecord& record, const KeyType& type) {
  const std::vector<uint8_t> high(type.signature, 0xC5);
  const uint8_t exponent[] = {1, 0, 1};
  ByteVector subject;
  ByteVector key;
  ByteVector body;
  ByteVector algorithm;
  ByteVector value;
  ByteVector request;
  EXPECT_EQ(EncodeSubjectName(record.components, subject), 0);
  if (type.sm2) {
    EXPECT_EQ(EncodeSm2PublicKeyInfo(high.data(), 64, key), 0);
    EXPECT_EQ(EncodeSm2Signature(high.data(), high.data() + 32, value), 0);
  } else {
    EXPECT_EQ(EncodeRsaPublicKeyInfo(high.data(), type.modulus, exponent, 3, key), 0);
    EXPECT_EQ(EncodeRsaSignature(high.data(), type.signature, value), 0);
  }
  EXPECT_EQ(EncodeRequestInfo(subject, key, body), 0);
  EXPECT_EQ(EncodeSignatureAlgorithm(static_cast<int>(record.hash) - 1, algorithm), 0);
  EXPECT_EQ(EncodeRequest(body, algorithm, value, request), 0);
  std::string text;
  EXPECT_TRUE(Base64Encode(request, text));
  return text.size();
}

TEST(RequestBound, HoldsForEveryDnLengthAndKeyType) {
  // Every length up to where DER lengths and base64 groups have all changed size, then a stride
  // up to the key's largest object, which holds the DN too.
  std::vector<size_t> lengths;
  for (size_t length = 4; length <= 600; ++length) {
    lengths.push_back(length);
  }
  for (size_t length = 601; length <= 8192; length += 97) {
    lengths.push_back(length);
  }
  for (const KeyType& type : kKeyTypes) {
    for (const size_t length : lengths) {
      const std::string text = "CN=" + std::string(length - 3, 'n') + "|" + type.text + "|1";
      const auto records = ParseRequestText(text);
      ASSERT_TRUE(records && records->size() == 1) << text;
      const size_t bound = RequestTextBound(records->front());
      ASSERT_GE(bound, RealRequestLength(records->front(), type)) << type.text << " " << length;
      // Conservative, not wasteful: the extra room is what the largest exponent may take.
      ASSERT_LE(bound, RealRequestLength(records->front(), type) + 4 * type.modulus / 3 + 8);
    }
  }
}

}  // namespace
}  // namespace kq::tools
