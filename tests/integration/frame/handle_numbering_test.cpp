// Provider handles count 1, 2, 3, ... per process; key and hash handles share one sequence from 2.
#include "frame_fixture.h"
#include "public_key_blob.h"

namespace kq::test {
namespace {

using HandleNumbering = FrameTest;

// In a fresh process: provider handles 1, 2, a failed acquisition's 3 (returned as 0xFFFFFFFF),
// 4; the key handles of all contexts then count 2, 3, 4, each belonging to its context only.
TEST_F(HandleNumbering, ProviderHandlesCountFromOneAndKeyHandlesShareOneSequenceFromTwo) {
  KQ_IN_FRESH_PROCESS([] {
    Checks c;
    KqHandle h[4] = {};
    for (size_t i = 0; i < 4; ++i) {
      const bool fails = i == 2;  // CRYPT_NEWKEYSET with CRYPT_DELETEKEYSET is refused
      c.Equal("acquire",
              P().CPAcquireContext(&h[i], fails ? "x" : nullptr, fails ? 0x18 : kVerifyContext,
                                   nullptr),
              fails ? 0 : 1);
      c.Equal("last error", P().GetLastError(), fails ? kNteBadFlags : 0u);
      c.Equal("handle", h[i], fails ? 0xFFFFFFFFu : i + 1);
    }
    c.Equal("release failed", P().CPReleaseContext(h[2], 0), 0);
    c.Equal("release failed error", P().GetLastError(), kNteBadUid);
    const auto blob = PublicKeyBlob(0xA400, 1024);
    const auto size = static_cast<uint32_t>(blob.size());
    KqHandle keys[3] = {};
    for (size_t i = 0; i < 3; ++i) {
      c.Equal("import", P().CPImportKey(h[i == 1 ? 1 : 0], blob.data(), size, 0, 0, &keys[i]), 1);
      c.Equal("key handle", keys[i], i + 2);
    }
    c.Equal("destroy in other context", P().CPDestroyKey(h[1], keys[0]), 0);
    c.Equal("destroy in other context error", P().GetLastError(), kNteBadKey);
    for (const size_t i : {0, 1, 3}) {
      c.Equal("release", P().CPReleaseContext(h[i], 0), 1);
    }
    return c.failures();
  });
}

TEST_F(HandleNumbering, TheUpperHalfOfAProviderHandleIsIgnoredButKeyHandlesCompareInFull) {
  const KqHandle handle = Acquire();
  const KqHandle widened = handle | (KqHandle{0xABCD1234} << 32);
  uint8_t buffer[8] = {};
  EXPECT_TRUE(P().CPGenRandom(widened, sizeof buffer, buffer));
  EXPECT_EQ(P().GetLastError(), 0u);

  const auto blob = PublicKeyBlob(0x2400, 1024);
  KqHandle key = 0;
  ASSERT_TRUE(
      P().CPImportKey(widened, blob.data(), static_cast<uint32_t>(blob.size()), 0, 0, &key));
  EXPECT_FALSE(P().CPDestroyKey(handle, key | (KqHandle{1} << 32)));
  EXPECT_EQ(P().GetLastError(), kNteBadKey);
  EXPECT_TRUE(P().CPDestroyKey(handle, key));
  EXPECT_EQ(P().GetLastError(), 0u);
  EXPECT_TRUE(P().CPReleaseContext(widened, 0));
  EXPECT_FALSE(P().CPReleaseContext(handle, 0));
  EXPECT_EQ(P().GetLastError(), kNteBadUid);
}

}  // namespace
}  // namespace kq::test
