// The Win32 backends of the platform ports that only a Windows system exercises: the registry
// port against the real HKLM (as the deployment wrote it), the entropy of BCryptGenRandom, the last
// error of the thread, and the crypt32 certificate port with a Chinese subject. The program runs in
// a Chinese locale (ANSI code page 936), as the bank's machines do.
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

#include "platform/certificate.h"
#include "platform/entropy.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "win/support/crypt32_ca.h"
#include "win/support/crypt_handles.h"

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
  EXPECT_TRUE(platform::RegistryKeyExists(kProviderKey, RegistryView::k64Bit));

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
  uint8_t signature[64] = {};
  EXPECT_EQ(platform::QueryRegistryValue(kProviderKey, u"Signature", RegistryView::k64Bit,
                                         signature, size, type),
            RegistryStatus::kOk);
  EXPECT_EQ(type, platform::kRegBinary);

  EXPECT_EQ(
      platform::QueryRegistryDword(kProductKey, u"NoSuchValue", RegistryView::k64Bit, language),
      RegistryStatus::kValueMissing);
  EXPECT_EQ(platform::QueryRegistryDword(u"SOFTWARE\\KQVN\\Nowhere", u"LanguageID",
                                         RegistryView::k64Bit, language),
            RegistryStatus::kKeyMissing);
}

TEST(EntropyPort, BCryptGenRandomFillsEveryByteAfresh) {
  uint8_t first[64] = {};
  uint8_t second[64] = {};
  ASSERT_TRUE(platform::OsEntropy(first, sizeof first));
  ASSERT_TRUE(platform::OsEntropy(second, sizeof second));
  EXPECT_NE(std::memcmp(first, second, sizeof first), 0);
  // 64 zero bytes in a row from a working generator: about one chance in 2^512.
  const uint8_t zeros[32] = {};
  EXPECT_NE(std::memcmp(first + 32, zeros, sizeof zeros), 0);
}

TEST(LastErrorPort, IsTheThreadsOwnWindowsLastError) {
  platform::SetLastErrorCode(0x80090016);
  EXPECT_EQ(GetLastError(), 0x80090016u);
  SetLastError(ERROR_MORE_DATA);
  EXPECT_EQ(platform::LastErrorCode(), static_cast<uint32_t>(ERROR_MORE_DATA));
  uint32_t seenByOther = 1;
  uint32_t setByOther = 0;
  std::thread([&] {
    seenByOther = platform::LastErrorCode();
    platform::SetLastErrorCode(5);
    setByOther = GetLastError();
  }).join();
  EXPECT_EQ(seenByOther, 0u);
  EXPECT_EQ(setByOther, 5u);
}

// The PUBLICKEYBLOB of a fresh key of Wine's Microsoft provider.
Bytes FreshPublicKeyBlob() {
  CryptContext microsoft;
  CryptKey key;
  if (!CryptAcquireContextW(microsoft.out(), nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                            CRYPT_VERIFYCONTEXT) ||
      !CryptGenKey(microsoft.get(), AT_SIGNATURE, 1024u << 16, key.out())) {
    return {};
  }
  return ExportPublicKeyBlob(key.get());
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
  ASSERT_EQ(ca.problem(), "");
  const Bytes blob = FreshPublicKeyBlob();
  ASSERT_FALSE(blob.empty());
  // 李四, 营业部 (a name, the business department). Wine quotes a value whose UTF-16 bytes
  // include a blank (张 is U+5F20), which Windows does not; these characters have none.
  const Bytes der = ca.IssueForBlob(L"CN=\u674E\u56DB, OU=\u8425\u4E1A\u90E8, C=CN", blob);
  ASSERT_FALSE(der.empty());

  const platform::Certificate certificate = platform::Certificate::Decode(der);
  ASSERT_TRUE(certificate.loaded());
  EXPECT_EQ(SubjectText(certificate), "CN=\xC0\xEE\xCB\xC4, OU=\xD3\xAA\xD2\xB5\xB2\xBF, C=CN");
  // The public key bits are the RSA key the certificate was issued for.
  const std::span<const uint8_t> bits = certificate.PublicKeyBits();
  CERT_PUBLIC_KEY_INFO info{};
  info.PublicKey = {static_cast<DWORD>(bits.size()), const_cast<BYTE*>(bits.data()), 0};
  // (The algorithm in the blob's header is crypt32's choice; the key follows it.)
  const Bytes decoded = PublicKeyBlobOf(info);
  ASSERT_EQ(decoded.size(), blob.size());
  EXPECT_TRUE(std::equal(decoded.begin() + 8, decoded.end(), blob.begin() + 8));
  EXPECT_FALSE(certificate.IsSignedByOwnKey());  // the CA signed it

  const Bytes selfSigned = ca.SelfSigned();
  const platform::Certificate own = platform::Certificate::Decode(selfSigned);
  ASSERT_TRUE(own.loaded());
  EXPECT_TRUE(own.IsSignedByOwnKey());
  EXPECT_EQ(SubjectText(own), "CN=Crypt32 Test CA, O=TestAuthority");

  const Bytes truncated(der.begin(), der.end() - 1);
  EXPECT_FALSE(platform::Certificate::Decode(truncated).loaded());
  EXPECT_FALSE(platform::Certificate::Decode({}).loaded());
}

}  // namespace
}  // namespace kq::wintest
