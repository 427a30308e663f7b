// A key that enforces its usages (kqsim create --strict-usage): its transaction key (usage 2)
// signs only transactions confirmed on the key, whichever way a program that knows the PIN asks.
// The provider alone cannot close that way: a program can call the device library directly.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "common/codes_device.h"
#include "enrolment_fixture.h"
#include "support/provider_library.h"
#include "support/softkey_library.h"

namespace {

using kq::test::SoftKeyHandle;
using kq::test::SoftKeyLibrary;
using kqtest::OpensslVerifiesSignature;
using kqtest::TransactionMessage;

constexpr uint32_t kCalgSha256 = 0x800C;
constexpr uint32_t kAtSignature = 2;
constexpr uint32_t kNteFail = 0x80090020;
const std::vector<uint8_t> kPlainData = {'p', 'a', 'y', ' ', '1', '0', '0'};

class StrictUsage : public kqtest::EnrolmentTest {
 protected:
  // A direct device call through an open handle: a SHA-256 digest signed with the key pair. The
  // signature buffer stays untouched when the key refuses.
  static uint32_t SignDigest(const SoftKeyHandle& handle, uint32_t keyNumber) {
    const std::array<uint8_t, 32> digest{1, 2, 3};
    std::array<uint8_t, 256> signature{};
    uint32_t length = static_cast<uint32_t>(signature.size());
    const uint32_t status = SoftKeyLibrary::Instance().RSAPrivateSign(
        handle.get(), keyNumber, 2, digest.data(), digest.size(), signature.data(), &length, 0);
    const bool untouched = signature == std::array<uint8_t, 256>{};
    EXPECT_TRUE(status == 0 || untouched) << "signed nevertheless";
    return status;
  }

  std::unique_ptr<SoftKeyHandle> LoggedIn(const std::string& onKey) {
    auto handle = std::make_unique<SoftKeyHandle>(scene.ReaderName(onKey));
    EXPECT_EQ(handle->openStatus(), 0u);
    EXPECT_EQ(SoftKeyLibrary::Instance().VerifyPIN(handle->get(), "12345678", 8), 0u);
    return handle;
  }

  static uint32_t Generate(const SoftKeyHandle& handle) {
    return SoftKeyLibrary::Instance().GenerateRSAKey(handle.get(), 1, "7305", 1024, 1);
  }

  // CPSignHash of the data hashed with SHA-256, with the container's signature key: the
  // signature in openssl's byte order, or empty with the last error in `error`.
  static kqtest::Bytes CspSign(const std::string& container, const kqtest::Bytes& data,
                               uint32_t& error) {
    const kq::test::ProviderLibrary& p = kq::test::Provider();
    KqHandle prov = 0;
    KqHandle hash = 0;
    EXPECT_TRUE(p.CPAcquireContext(&prov, container.c_str(), 0, nullptr));
    EXPECT_TRUE(p.CPCreateHash(prov, kCalgSha256, 0, 0, &hash));
    EXPECT_TRUE(p.CPHashData(prov, hash, data.data(), static_cast<uint32_t>(data.size()), 0));
    kqtest::Bytes signature(256);
    auto length = static_cast<uint32_t>(signature.size());
    const bool ok = p.CPSignHash(prov, hash, kAtSignature, nullptr, 0, signature.data(), &length);
    error = p.GetLastError();
    EXPECT_TRUE(p.CPDestroyHash(prov, hash));
    EXPECT_TRUE(p.CPReleaseContext(prov, 0));
    signature.resize(ok ? length : 0);
    return {signature.rbegin(), signature.rend()};
  }
};

// Today's soft key signs a digest with any key pair; a strict one refuses it for a usage-2 pair
// with its own status, and still signs with the other usages.
TEST_F(StrictUsage, TheKeyRefusesADigestForItsTransactionKeyOnly) {
  for (const bool strict : {false, true}) {
    const std::string onKey =
        AddKey({.keyPairs = {{1, 1, "rsa2048-a"}, {2, 0, "rsa1024-a"}}, .strictUsage = strict});
    const auto handle = LoggedIn(onKey);
    EXPECT_EQ(SignDigest(*handle, 1), strict ? kq::dev::kSwUsageRefused : 0u);
    EXPECT_EQ(SignDigest(*handle, 2), 0u);
  }
  ExpectAllClosed("direct signatures");
}

// The request's signature is allowed to the handle that generated the pair in the slot, not to a
// handle that generated an earlier pair there: a program that kept its handle open while the
// bank's tool deleted its key and enrolled anew would sign digests with the bank's key otherwise.
TEST_F(StrictUsage, OnlyTheHandleThatGeneratedTheCurrentPairSignsItsRequest) {
  const std::string onKey = AddKey({.button = "none", .strictUsage = true});
  const auto first = LoggedIn(onKey);
  const auto second = LoggedIn(onKey);
  ASSERT_EQ(Generate(*first), 0u);
  EXPECT_EQ(SignDigest(*first, 1), 0u);
  EXPECT_EQ(SignDigest(*second, 1), kq::dev::kSwUsageRefused);
  ASSERT_EQ(Generate(*second), 0u);
  EXPECT_EQ(SignDigest(*first, 1), kq::dev::kSwUsageRefused);
  EXPECT_EQ(SignDigest(*second, 1), 0u);
}

TEST_F(StrictUsage, ATransactionKeySignsOnlyConfirmedTransactionsThroughEveryExport) {
  key = AddKey({.strictUsage = true});
  mediaId = scene.MediaId(key);
  // Its certification request is signed through the handle that generated it.
  const auto requests = CreateRequests("CN=payer,T=S|RSA1024|SHA256|2");
  ASSERT_EQ(requests.size(), 1u);
  const auto issued = Issue(requests);
  ASSERT_EQ(Install(JoinCertificates(issued), mediaId), 0u);
  const std::vector<std::string> containers = ContainerNames();
  ASSERT_EQ(containers.size(), 1u);

  // A digest: refused by the key, with nothing signed.
  uint32_t error = 0;
  EXPECT_TRUE(CspSign(containers[0], kPlainData, error).empty());
  EXPECT_EQ(error, kNteFail);
  EXPECT_EQ(Sign(kPlainData, "CN=payer, T=S").status, 2020u);

  // A transaction: shown on the key and signed after OK, through CryptoAPI and the tool export.
  const auto message = TransactionMessage("PAY1", "6222 0000 1111", "100.00");
  scene.ClearCounters(key);
  const kqtest::Bytes viaCsp = CspSign(containers[0], message, error);
  EXPECT_EQ(error, 0u);
  EXPECT_TRUE(OpensslVerifiesSignature(issued[0], message, viaCsp, "sha256"));
  const auto viaTool = Sign(message, "CN=payer, T=S", "SHA256");
  ASSERT_EQ(viaTool.status, 0u);
  EXPECT_TRUE(OpensslVerifiesSignature(issued[0], message, viaTool.signature, "sha256"));
  EXPECT_EQ(scene.Calls(key, "ZANT_RSAPrivateSignEx"), 2);
  EXPECT_GT(scene.Calls(key, "ZANT_GetDevState"), 0);  // the button was waited for
  ExpectAllClosed("strict signing");
}

}  // namespace
