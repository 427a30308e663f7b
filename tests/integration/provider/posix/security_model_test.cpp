// Two things the provider leaves to the key, kept as they are and pinned here so that a change is
// noticed (docs/security.md): the key stays logged in after its handles close, and a PIN set on
// one context lets every later context of the process sign an SSL3 hash without a prompt.
#include <array>
#include <string>

#include "provider_scene.h"
#include "support/softkey_library.h"

namespace kq::test {
namespace {

using SecurityModel = ProviderScene;

constexpr uint32_t kCalgSha1 = 0x8004;
constexpr uint32_t kCalgSsl3ShaMd5 = 0x8008;
constexpr uint32_t kHpHashVal = 2;
constexpr uint32_t kPpSignaturePin = 33;

bool SignsSsl3(KqHandle prov) {
  KqHandle hash = 0;
  const std::array<uint8_t, 36> value{7};
  std::array<uint8_t, 256> signature{};
  auto length = static_cast<uint32_t>(signature.size());
  const bool ok =
      Provider().CPCreateHash(prov, kCalgSsl3ShaMd5, 0, 0, &hash) &&
      Provider().CPSetHashParam(prov, hash, kHpHashVal, value.data(), 0) &&
      Provider().CPSignHash(prov, hash, kAtSignature, nullptr, 0, signature.data(), &length);
  Provider().CPDestroyHash(prov, hash);
  return ok;
}

bool SignsSha1(KqHandle prov) {
  KqHandle hash = 0;
  const uint8_t data[] = {'d', 'o', 'c'};
  std::array<uint8_t, 256> signature{};
  auto length = static_cast<uint32_t>(signature.size());
  const bool ok =
      Provider().CPCreateHash(prov, kCalgSha1, 0, 0, &hash) &&
      Provider().CPHashData(prov, hash, data, sizeof data, 0) &&
      Provider().CPSignHash(prov, hash, kAtSignature, nullptr, 0, signature.data(), &length);
  Provider().CPDestroyHash(prov, hash);
  return ok;
}

TEST_F(SecurityModel, APinSetOnOneContextLetsALaterOneSignAnSsl3HashWithoutAPrompt) {
  const std::string key = AddKey({.button = "none"});
  const KqHandle first = Acquire("shop", kNewKeyset);
  KqHandle pair = 0;
  ASSERT_TRUE(Provider().CPGenKey(first, kAtSignature, 0, &pair)) << std::hex << Error();
  const char pin[] = "12345678";
  ASSERT_TRUE(
      Provider().CPSetProvParam(first, kPpSignaturePin, reinterpret_cast<const uint8_t*>(pin), 0));
  EXPECT_TRUE(Provider().CPReleaseContext(first, 0));

  // A later context, whose PIN entry would now refuse: the SSL3 hash is signed with no PIN asked,
  // a SHA-1 hash asks and is refused.
  scene_.SetPinAnswers("cancel");
  const KqHandle later = Acquire("shop", 0);
  const int64_t verifications = scene_.Calls(key, "ZANT_VerifyPIN");
  EXPECT_TRUE(SignsSsl3(later)) << std::hex << Error();
  EXPECT_EQ(scene_.Calls(key, "ZANT_VerifyPIN"), verifications);
  EXPECT_FALSE(SignsSha1(later));
  EXPECT_TRUE(Provider().CPReleaseContext(later, 0));
  ExpectAllClosed("the signatures");
}

TEST_F(SecurityModel, TheKeyStaysLoggedInAfterItsHandlesCloseUntilItIsUnplugged) {
  const std::string key = AddKey({.keyPairs = {{1, 0, "rsa1024-a"}}});
  const KqHandle prov = Acquire(nullptr, kVerifyContext);
  const char pin[] = "12345678";
  ASSERT_TRUE(
      Provider().CPSetProvParam(prov, kPpSignaturePin, reinterpret_cast<const uint8_t*>(pin), 0));
  EXPECT_TRUE(Provider().CPReleaseContext(prov, 0));
  ExpectAllClosed("the PIN verification");

  // Any program of the user may now sign with the key through the device library, without a PIN.
  const auto signDirectly = [&] {
    const SoftKeyHandle handle(scene_.ReaderName(key));
    const std::array<uint8_t, 20> digest{1};
    std::array<uint8_t, 128> signature{};
    uint32_t length = static_cast<uint32_t>(signature.size());
    return SoftKeyLibrary::Instance().RSAPrivateSign(handle.get(), 1, 1, digest.data(),
                                                     digest.size(), signature.data(), &length, 0);
  };
  EXPECT_EQ(signDirectly(), 0u);
  scene_.Replug(key);
  EXPECT_EQ(signDirectly(), 0x6982u);
}

}  // namespace
}  // namespace kq::test
