// Subject texts exactly as CertNameToStrA renders them with CERT_X500_NAME_STR on a system whose
// ANSI code page is 936.
#include <gtest/gtest.h>
#include <openssl/asn1.h>

#include "pki/certificate_reader.h"
#include "pki/dn_text.h"
#include "support/test_certificates.h"

namespace kq {
namespace {

using test::NameAttribute;

class SubjectText : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { key_ = test::MakeRsaKey(1024).release(); }
  static void TearDownTestSuite() { EVP_PKEY_free(key_); }

  static std::string Render(const std::vector<NameAttribute>& subject) {
    const ByteVector der = test::MakeCertificate({subject, key_, nullptr, {}, {}});
    const auto cert = platform::Certificate::Decode(der);
    EXPECT_TRUE(cert.loaded());
    std::string text;
    EXPECT_EQ(CertSubjectText(text, cert), 0);
    return text;
  }

  static inline EVP_PKEY* key_ = nullptr;
};

TEST_F(SubjectText, RdnsInCertificateOrderWithX500Keys) {
  EXPECT_EQ(Render({{"C", "CN", V_ASN1_PRINTABLESTRING},
                    {"ST", "Beijing"},
                    {"L", "Haidian"},
                    {"O", "Bank"},
                    {"OU", "Unit"},
                    {"title", "S"},
                    {"CN", "Zhang"},
                    {"emailAddress", "z@example.com", V_ASN1_IA5STRING}}),
            "C=CN, S=Beijing, L=Haidian, O=Bank, OU=Unit, T=S, CN=Zhang, E=z@example.com");
  // A sample of the rarer keys; the rest of the key table is not copied here.
  EXPECT_EQ(Render({{"GN", "San"}, {"x121Address", "7", V_ASN1_NUMERICSTRING}, {"1.2.3.4", "x"}}),
            "G=San, X21Address=7, OID.1.2.3.4=x");
}

TEST_F(SubjectText, MultiValuedRdnsAreJoinedWithPlus) {
  EXPECT_EQ(Render({{"CN", "a"}, {"OU", "b", V_ASN1_UTF8STRING, true}, {"O", "c"}}),
            "CN=a + OU=b, O=c");
}

TEST_F(SubjectText, ValuesWithSpecialCharactersOrOuterBlanksAreQuoted) {
  EXPECT_EQ(Render({{"CN", "say \"hi\""}}), "CN=\"say \"\"hi\"\"\"");
  for (const char* special :
       {"a,b", "a+b", "a=b", "a<b", "a>b", "a#b", "a;b", "a\nb", " lead", "trail "}) {
    EXPECT_EQ(Render({{"CN", special}}), std::string("CN=\"") + special + "\"") << special;
  }
  EXPECT_EQ(Render({{"CN", "in side:/\\"}}), "CN=in side:/\\");
}

TEST_F(SubjectText, UnicodeTextComesOutInCodePage936) {
  // 张三 in UTF-8, and 中国 as a BMPString.
  EXPECT_EQ(Render({{"CN", "\xE5\xBC\xA0\xE4\xB8\x89"}}), "CN=\xD5\xC5\xC8\xFD");
  EXPECT_EQ(Render({{"O", std::string("\x4E\x2D\x56\xFD", 4), V_ASN1_BMPSTRING}}),
            "O=\xD6\xD0\xB9\xFA");
  // Thai is not in code page 936.
  EXPECT_EQ(Render({{"CN", "a\xE0\xB8\x81z"}}), "CN=a?z");
  // Quoting looks at the characters, not at the code page bytes.
  EXPECT_EQ(Render({{"CN", "\xE5\xBC\xA0,"}}), "CN=\"\xD5\xC5,\"");
}

TEST_F(SubjectText, SizeQueryAndShortBuffers) {
  const ByteVector der = test::MakeCertificate({{{"CN", "abc"}}, key_, nullptr, {}, {}});
  const auto cert = platform::Certificate::Decode(der);
  ASSERT_EQ(cert.SubjectText(nullptr, 0), 7u);
  char buffer[4];
  EXPECT_EQ(cert.SubjectText(buffer, sizeof buffer), 4u);
  EXPECT_STREQ(buffer, "CN=");
  std::string text = "old";
  EXPECT_EQ(CertSubjectText(text, platform::Certificate()), 2);
  EXPECT_TRUE(text.empty());
}

}  // namespace
}  // namespace kq
