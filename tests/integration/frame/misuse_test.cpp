// Every entry point refuses a provider handle that is not registered, the six operations the
// provider does not offer fail without touching the caller's data, and the last error is set on
// every return, success included.
#include <cstring>

#include "frame_fixture.h"
#include "public_key_blob.h"

namespace kq::test {
namespace {

using Misuse = FrameTest;

// Calls every entry point with hProv and expects FALSE with the given last error.
void ExpectEveryEntryRefuses(KqHandle hProv, uint32_t expected) {
  const auto& p = Provider();
  uint8_t data[64] = {};
  uint32_t length = sizeof data;
  KqHandle out = 0;
  auto expect = [&](const char* name, KqBool result) {
    EXPECT_EQ(result, 0) << name;
    EXPECT_EQ(p.GetLastError(), expected) << name;
  };
  expect("CPReleaseContext", p.CPReleaseContext(hProv, 0));
  expect("CPGenKey", p.CPGenKey(hProv, 2, 0, &out));
  expect("CPDeriveKey", p.CPDeriveKey(hProv, 0x6601, 2, 0, &out));
  expect("CPDestroyKey", p.CPDestroyKey(hProv, 2));
  expect("CPSetKeyParam", p.CPSetKeyParam(hProv, 2, 3, data, 0));
  expect("CPGetKeyParam", p.CPGetKeyParam(hProv, 2, 3, data, &length, 0));
  expect("CPExportKey", p.CPExportKey(hProv, 2, 0, 6, 0, data, &length));
  expect("CPImportKey", p.CPImportKey(hProv, data, sizeof data, 0, 0, &out));
  expect("CPEncrypt", p.CPEncrypt(hProv, 2, 0, 1, 0, data, &length, sizeof data));
  expect("CPDecrypt", p.CPDecrypt(hProv, 2, 0, 1, 0, data, &length));
  expect("CPCreateHash", p.CPCreateHash(hProv, 0x8004, 0, 0, &out));
  expect("CPHashData", p.CPHashData(hProv, 2, data, sizeof data, 0));
  expect("CPHashSessionKey", p.CPHashSessionKey(hProv, 2, 3, 0));
  expect("CPDestroyHash", p.CPDestroyHash(hProv, 2));
  expect("CPSignHash", p.CPSignHash(hProv, 2, 2, nullptr, 0, data, &length));
  expect("CPVerifySignature", p.CPVerifySignature(hProv, 2, data, 128, 3, nullptr, 0));
  expect("CPGenRandom", p.CPGenRandom(hProv, sizeof data, data));
  expect("CPGetUserKey", p.CPGetUserKey(hProv, 2, &out));
  expect("CPSetProvParam", p.CPSetProvParam(hProv, 0, data, 0));
  expect("CPGetProvParam", p.CPGetProvParam(hProv, 4, data, &length, 0));
  expect("CPSetHashParam", p.CPSetHashParam(hProv, 2, 2, data, 0));
  expect("CPGetHashParam", p.CPGetHashParam(hProv, 2, 2, data, &length, 0));
  expect("CPDuplicateKey", p.CPDuplicateKey(hProv, 2, nullptr, 0, &out));
  expect("CPDuplicateHash", p.CPDuplicateHash(hProv, 2, nullptr, 0, &out));
}

TEST_F(Misuse, EveryEntryPointRefusesAnUnregisteredHandle) {
  ExpectEveryEntryRefuses(0, kNteBadUid);
  ExpectEveryEntryRefuses(0x7FFFFFFF, kNteBadUid);
  ExpectEveryEntryRefuses(KqHandle{0xFFFFFFFF}, kNteBadUid);
}

TEST_F(Misuse, AReleasedHandleIsGoneWithItsKeysAndASecondReleaseFails) {
  const KqHandle handle = Acquire();
  const auto blob = PublicKeyBlob(0xA400, 1024);
  KqHandle key = 0;
  ASSERT_TRUE(P().CPImportKey(handle, blob.data(), static_cast<uint32_t>(blob.size()), 0, 0, &key));
  EXPECT_TRUE(P().CPReleaseContext(handle, 0));
  EXPECT_EQ(P().GetLastError(), 0u);
  EXPECT_FALSE(P().CPReleaseContext(handle, 0));
  EXPECT_EQ(P().GetLastError(), kNteBadUid);
  ExpectEveryEntryRefuses(handle, kNteBadUid);

  // The key handle does not live on in another context.
  const KqHandle other = Acquire();
  EXPECT_FALSE(P().CPDestroyKey(other, key));
  EXPECT_EQ(P().GetLastError(), kNteBadKey);
  EXPECT_TRUE(P().CPReleaseContext(other, 0));
}

TEST_F(Misuse, UnofferedOperationsFailWithENotImplAndLeaveTheDataAsItWas) {
  const KqHandle handle = Acquire();
  const auto& p = P();
  uint8_t data[16];
  memset(data, 0x5A, sizeof data);
  uint32_t length = 8;
  KqHandle out = 77;

  for (const KqBool result :
       {p.CPEncrypt(handle, 2, 0, 1, 0, data, &length, sizeof data),
        p.CPDecrypt(handle, 2, 0, 1, 0, data, &length), p.CPDeriveKey(handle, 0x6601, 2, 0, &out),
        p.CPDuplicateHash(handle, 2, nullptr, 0, &out),
        p.CPDuplicateKey(handle, 2, nullptr, 0, &out), p.CPHashSessionKey(handle, 2, 3, 0)}) {
    EXPECT_EQ(result, 0);
  }
  EXPECT_EQ(p.GetLastError(), kENotImpl);
  for (const uint8_t byte : data) {
    EXPECT_EQ(byte, 0x5A);
  }
  EXPECT_EQ(length, 8u);
  EXPECT_EQ(out, 77u);
  EXPECT_TRUE(p.CPReleaseContext(handle, 0));
}

TEST_F(Misuse, TheLastErrorIsSetOnSuccessAndOnEveryFailure) {
  const KqHandle handle = Acquire();
  uint8_t buffer[5] = {};
  P().SetLastError(1234);
  EXPECT_TRUE(P().CPGenRandom(handle, sizeof buffer, buffer));
  EXPECT_EQ(P().GetLastError(), 0u);

  EXPECT_FALSE(P().CPHashData(handle, 0x77, buffer, sizeof buffer, 0));
  EXPECT_EQ(P().GetLastError(), kNteBadHash);
  EXPECT_FALSE(P().CPAcquireContext(nullptr, nullptr, kVerifyContext, nullptr));
  EXPECT_EQ(P().GetLastError(), kErrorInvalidParameter);
  EXPECT_TRUE(P().CPReleaseContext(handle, 0));
}

TEST_F(Misuse, RandomBytesFillExactlyTheLengthAskedFor) {
  const KqHandle handle = Acquire();
  uint8_t buffer[40];
  memset(buffer, 0, sizeof buffer);
  EXPECT_FALSE(P().CPGenRandom(handle, 0, buffer));
  EXPECT_EQ(P().GetLastError(), kErrorInvalidParameter);
  EXPECT_FALSE(P().CPGenRandom(handle, 5, nullptr));
  EXPECT_EQ(P().GetLastError(), kErrorInvalidParameter);

  // 32 random bytes are all zero with a chance of 2^-256; the bytes after them stay untouched.
  ASSERT_TRUE(P().CPGenRandom(handle, 32, buffer));
  bool anyNonZero = false;
  for (size_t i = 0; i < 32; ++i) {
    anyNonZero = anyNonZero || buffer[i] != 0;
  }
  EXPECT_TRUE(anyNonZero);
  for (size_t i = 32; i < sizeof buffer; ++i) {
    EXPECT_EQ(buffer[i], 0) << i;
  }
  EXPECT_TRUE(P().CPReleaseContext(handle, 0));
}

}  // namespace
}  // namespace kq::test
