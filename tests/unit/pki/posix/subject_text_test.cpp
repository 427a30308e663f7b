// Subject texts exactly as CertNameToStrA renders them with CERT_X500_NAME_STR on a system whose
// ANSI code page is 936.
#include <gtest/gtest.h>
#include <openssl/asn1.h>

#include "pki/certificate_reader.h"
#include "pki/dn_text.h"
#include "support/test_certificates.h"

namespace kq {
namespace {

using Subject = std::vector<test::NameAttribute>;

// RDNs in certificate order with X.500 keys (a sample of the rarer ones), multi-valued RDNs
// joined with " + ", quoting of special characters and outer blanks (decided on the characters,
// not on the code page bytes), and Unicode in code page 936 with "?" for what it lacks.
TEST(SubjectText, RendersAsTheSystemDoes) {
  const test::EvpKey key = test::MakeRsaKey(1024);
  const std::pair<Subject, std::string> cases[] = {
      {{{"C", "CN", V_ASN1_PRINTABLESTRING},
        {"ST", "Beijing"},
        {"L", "Haidian"},
        {"O", "Bank"},
        {"OU", "Unit"},
        {"title", "S"},
        {"CN", "Zhang"},
        {"emailAddress", "z@example.com", V_ASN1_IA5STRING}},
       "C=CN, S=Beijing, L=Haidian, O=Bank, OU=Unit, T=S, CN=Zhang, E=z@example.com"},
      {{{"GN", "San"}, {"x121Address", "7", V_ASN1_NUMERICSTRING}, {"1.2.3.4", "x"}},
       "G=San, X21Address=7, OID.1.2.3.4=x"},
      {{{"CN", "a"}, {"OU", "b", V_ASN1_UTF8STRING, true}, {"O", "c"}}, "CN=a + OU=b, O=c"},
      {{{"CN", "say \"hi\""}}, "CN=\"say \"\"hi\"\"\""},
      {{{"CN", "a,b"}, {"O", "a+b=c<d>e#f;g"}}, "CN=\"a,b\", O=\"a+b=c<d>e#f;g\""},
      {{{"CN", "a\nb"}, {"O", " lead"}, {"OU", "trail "}},
       "CN=\"a\nb\", O=\" lead\", OU=\"trail \""},
      {{{"CN", "in side:/\\"}}, "CN=in side:/\\"},
      {{{"CN", "\xE5\xBC\xA0\xE4\xB8\x89"}}, "CN=\xD5\xC5\xC8\xFD"},
      {{{"O", std::string("\x4E\x2D\x56\xFD", 4), V_ASN1_BMPSTRING}}, "O=\xD6\xD0\xB9\xFA"},
      {{{"CN", "a\xE0\xB8\x81z"}}, "CN=a?z"},  // Thai is not in code page 936
      {{{"CN", "\xE5\xBC\xA0,"}}, "CN=\"\xD5\xC5,\""}};
  for (const auto& [subject, expected] : cases) {
    const ByteVector der = test::MakeCertificate({subject, key.get(), nullptr, {}, {}});
    const auto cert = platform::Certificate::Decode(der);
    std::string text;
    EXPECT_EQ(CertSubjectText(text, cert), 0);
    EXPECT_EQ(text, expected);
  }
  std::string text = "old";
  EXPECT_EQ(CertSubjectText(text, platform::Certificate()), 2);  // no certificate
  EXPECT_TRUE(text.empty());
}

}  // namespace
}  // namespace kq
