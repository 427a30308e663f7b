// Provider handles count 1, 2, 3, ... per process; key and hash handles share one sequence from 2.
#include "frame_fixture.h"
#include "public_key_blob.h"

namespace kq::test {
namespace {

using HandleNumbering = FrameTest;

TEST_F(HandleNumbering, ProviderHandlesCountFromOneAndAFailedAcquisitionUsesItsNumber) {
  KQ_IN_FRESH_PROCESS([] {
    Checks c;
    KqHandle first = 0;
    KqHandle second = 0;
    KqHandle failed = 0;
    KqHandle fourth = 0;
    c.Equal("first acquire", P().CPAcquireContext(&first, nullptr, kVerifyContext, nullptr), 1);
    c.Equal("first handle", first, 1u);
    c.Equal("first last error", P().GetLastError(), 0u);
    c.Equal("second acquire", P().CPAcquireContext(&second, nullptr, kVerifyContext, nullptr), 1);
    c.Equal("second handle", second, 2u);
    // CRYPT_NEWKEYSET with CRYPT_DELETEKEYSET is refused; the handle comes back as 0xFFFFFFFF.
    c.Equal("failed acquire", P().CPAcquireContext(&failed, "x", 0x18, nullptr), 0);
    c.Equal("failed last error", P().GetLastError(), kNteBadFlags);
    c.Equal("failed handle", failed, 0xFFFFFFFFu);
    c.Equal("release failed", P().CPReleaseContext(failed, 0), 0);
    c.Equal("release failed error", P().GetLastError(), kNteBadUid);
    c.Equal("fourth acquire", P().CPAcquireContext(&fourth, nullptr, kVerifyContext, nullptr), 1);
    c.Equal("fourth handle", fourth, 4u);
    c.Equal("release first", P().CPReleaseContext(first, 0), 1);
    c.Equal("release second", P().CPReleaseContext(second, 0), 1);
    c.Equal("release fourth", P().CPReleaseContext(fourth, 0), 1);
    return c.failures();
  });
}

TEST_F(HandleNumbering, KeyHandlesOfAllContextsShareOneSequenceFromTwo) {
  KQ_IN_FRESH_PROCESS([] {
    Checks c;
    const KqHandle a = Acquire();
    const KqHandle b = Acquire();
    const auto blob = PublicKeyBlob(0xA400, 1024);
    KqHandle k1 = 0;
    KqHandle k2 = 0;
    KqHandle k3 = 0;
    const auto size = static_cast<uint32_t>(blob.size());
    c.Equal("import a", P().CPImportKey(a, blob.data(), size, 0, 0, &k1), 1);
    c.Equal("import b", P().CPImportKey(b, blob.data(), size, 0, 0, &k2), 1);
    c.Equal("import a again", P().CPImportKey(a, blob.data(), size, 0, 0, &k3), 1);
    c.Equal("first key handle", k1, 2u);
    c.Equal("second key handle", k2, 3u);
    c.Equal("third key handle", k3, 4u);
    // A key handle belongs to its context only.
    c.Equal("destroy in other context", P().CPDestroyKey(b, k1), 0);
    c.Equal("destroy in other context error", P().GetLastError(), kNteBadKey);
    c.Equal("release a", P().CPReleaseContext(a, 0), 1);
    c.Equal("release b", P().CPReleaseContext(b, 0), 1);
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
