// The Win32 backends of the platform ports that only a Windows system exercises: the registry
// port against the real HKLM (as the deployment wrote it), the entropy of BCryptGenRandom and the
// crypt32 certificate port with a Chinese subject. The program runs in a Chinese locale (ANSI code
// page 936), as the bank's machines do. (The exact last errors of the CryptoAPI suite prove the
// last-error port.)
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/certificate.h"
#include "platform/entropy.h"
#include "platform/registry.h"
#include "win/support/win_crypt.h"

namespace kq::wintest {
namespace {

using platform::RegistryStatus;
using platform::RegistryView;

constexpr std::u16string_view kProductKey = u"SOFTWARE\\KQVN\\Orvenia";
constexpr std::u16string_view kProviderKey =
    u"Software\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV v2.0";

TEST(RegistryPort, ReadsTheDeployedKeysInTheSixtyFourBitView) {
  uint32_t language = 0;
  ASSERT_EQ(platform::QueryRegistryDword(u"software\\kqvn\\ORVENIA", u"languageid",
                                         RegistryView::k64Bit, language),
            RegistryStatus::kOk);
  EXPECT_EQ(language, 2052u);

  // "Image Path": the size protocol of RegQueryValueExW, then the UTF-16 text with its NUL.
  uint8_t small[4] = {};
  size_t size = 0;
  uint32_t type = 0;
  ASSERT_EQ(platform::QueryRegistryValue(kProviderKey, u"Image Path", RegistryView::k64Bit, small,
                                         size, type),
            RegistryStatus::kMoreData);
  EXPECT_EQ(type, platform::kRegSz);
  std::u16string path(size / 2, u'\0');
  ASSERT_EQ(platform::QueryRegistryValue(kProviderKey, u"Image Path", RegistryView::k64Bit,
                                         {reinterpret_cast<uint8_t*>(path.data()), path.size() * 2},
                                         size, type),
            RegistryStatus::kOk);
  EXPECT_EQ(path, std::u16string(u"C:\\windows\\system32\\kqcsp.dll") + u'\0');

  EXPECT_EQ(
      platform::QueryRegistryDword(kProductKey, u"NoSuchValue", RegistryView::k64Bit, language),
      RegistryStatus::kValueMissing);
  EXPECT_EQ(platform::QueryRegistryDword(u"SOFTWARE\\KQVN\\Nowhere", u"LanguageID",
                                         RegistryView::k64Bit, language),
            RegistryStatus::kKeyMissing);
}

TEST(EntropyPort, BCryptGenRandomFillsEveryByteAfresh) {
  uint8_t bytes[2][32] = {};
  ASSERT_TRUE(platform::OsEntropy(bytes[0], 32));
  ASSERT_TRUE(platform::OsEntropy(bytes[1], 32));
  // Equal halves, or zeros at the end, from a working generator: one chance in 2^256.
  EXPECT_NE(std::memcmp(bytes[0], bytes[1], 32), 0);
  EXPECT_NE(std::memcmp(bytes[1], Bytes(32).data(), 32), 0);
}

std::string SubjectText(const platform::Certificate& certificate) {
  const uint32_t size = certificate.SubjectText(nullptr, 0);
  std::string text(size, '\0');
  EXPECT_EQ(certificate.SubjectText(text.data(), size), size);
  text.resize(size == 0 ? 0 : size - 1);
  return text;
}

TEST(CertificatePort, AChineseSubjectInCodePage936AndTheSignatureChecks) {
  ASSERT_EQ(GetACP(), 936u) << "the program runs with LC_ALL=zh_CN.UTF-8";
  Crypt32Ca ca;
  ASSERT_TRUE(ca.ready());
  // The CA's own key, so that the certificate is signed by the key it carries. 李四, 营业部 (a
  // name, the business department): Wine quotes a value whose UTF-16 bytes include a blank (张 is
  // U+5F20), which Windows does not; these characters have none.
  const Bytes publicKey = PublicKeyInfo(ca.provider());
  Bytes der = ca.Issue(EncodeName(L"CN=\u674E\u56DB, OU=\u8425\u4E1A\u90E8, C=CN"), publicKey);
  ASSERT_FALSE(der.empty());
  const platform::Certificate certificate = platform::Certificate::Decode(der);
  ASSERT_TRUE(certificate.loaded());
  EXPECT_EQ(SubjectText(certificate), "CN=\xC0\xEE\xCB\xC4, OU=\xD3\xAA\xD2\xB5\xB2\xBF, C=CN");
  EXPECT_TRUE(certificate.IsSignedByOwnKey());
  // The public key bits are the RSA key the certificate was issued for.
  const CRYPT_BIT_BLOB& bits =
      reinterpret_cast<const CERT_PUBLIC_KEY_INFO*>(publicKey.data())->PublicKey;
  EXPECT_TRUE(std::ranges::equal(certificate.PublicKeyBits(),
                                 std::span<const BYTE>(bits.pbData, bits.cbData)));

  EXPECT_FALSE(platform::Certificate::Decode({der.begin(), der.end() - 1}).loaded());
  EXPECT_FALSE(platform::Certificate::Decode({}).loaded());
  der.back() ^= 0x01;  // in the signature value, which ends the certificate
  EXPECT_FALSE(platform::Certificate::Decode(der).IsSignedByOwnKey());
}

}  // namespace
}  // namespace kq::wintest
