// A key that enforces its usages (kqsim create --strict-usage): its transaction key (usage 2)
// signs no digest, also not for a program that knows the PIN and calls the device library
// directly, which the provider alone could not prevent. (Through the exports, and transactions
// after the button: tests/integration/kqtool/pins_and_strict_key.sh.)
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "common/codes_device.h"
#include "support/softkey_library.h"
#include "tool_library.h"

namespace {

using kq::test::SoftKeyHandle;
using kq::test::SoftKeyLibrary;

class StrictUsage : public kqtest::ToolTest {
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
};

// Today's soft key signs a digest with any key pair; a strict one refuses it for a usage-2 pair
// with its own status, and still signs with the other usages. The request's signature is left to
// the handle that generated the pair in the slot, not to one that generated an earlier pair there:
// a program that kept its handle open while the bank's tool deleted that key and enrolled anew
// would otherwise sign digests with the bank's key. It covers one signature only.
TEST_F(StrictUsage, ATransactionKeySignsNoDigestButItsRequestThroughTheHandleThatMadeIt) {
  for (const bool strict : {false, true}) {
    const auto handle = LoggedIn(
        AddKey({.strictUsage = strict, .keyPairs = {{1, 1, "rsa2048-a"}, {2, 0, "rsa1024-a"}}}));
    EXPECT_EQ(SignDigest(*handle, 1), strict ? kq::dev::kSwUsageRefused : 0u);
    EXPECT_EQ(SignDigest(*handle, 2), 0u);
  }
  const std::string onKey = AddKey({.button = "none", .strictUsage = true});
  const std::unique_ptr<SoftKeyHandle> handles[] = {LoggedIn(onKey), LoggedIn(onKey)};
  for (size_t maker = 0; maker < 2; ++maker) {
    ASSERT_EQ(SoftKeyLibrary::Instance().GenerateRSAKey(handles[maker]->get(), 1, "7305", 1024, 1),
              0u);
    EXPECT_EQ(SignDigest(*handles[maker], 1), 0u);
    EXPECT_EQ(SignDigest(*handles[maker], 1), kq::dev::kSwUsageRefused) << "a second signature";
    EXPECT_EQ(SignDigest(*handles[1 - maker], 1), kq::dev::kSwUsageRefused);
  }
  // A new login on the handle, as after a replug, ends the exception before it is used.
  ASSERT_EQ(SoftKeyLibrary::Instance().GenerateRSAKey(handles[0]->get(), 1, "7305", 1024, 1), 0u);
  EXPECT_EQ(SoftKeyLibrary::Instance().VerifyPIN(handles[0]->get(), "12345678", 8), 0u);
  EXPECT_EQ(SignDigest(*handles[0], 1), kq::dev::kSwUsageRefused);
}

}  // namespace
