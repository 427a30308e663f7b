// Reading CPAcquireContext's flags and container name.
#include "provider/acquire_request.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/codes_cryptoapi.h"

namespace kq::provider {
namespace {

AcquireRequest Parsed(const char* name, uint32_t flags, uint32_t expectedCode = 0) {
  AcquireRequest request;
  EXPECT_EQ(ParseAcquireRequest(name, flags, request), expectedCode) << (name ? name : "(null)");
  return request;
}

TEST(AcquireRequest, FlagsChooseTheModeAndForbiddenCombinationsAreRefused) {
  EXPECT_EQ(Parsed("c", 0).mode, AcquireMode::kOpen);
  EXPECT_EQ(Parsed("c", kCryptNewKeyset).mode, AcquireMode::kCreate);
  EXPECT_EQ(Parsed("c", kCryptDeleteKeyset).mode, AcquireMode::kDelete);
  EXPECT_EQ(Parsed(nullptr, kCryptVerifyContext).mode, AcquireMode::kVerify);
  EXPECT_EQ(Parsed("c", kCryptMachineKeyset).mode, AcquireMode::kOpen);
  const AcquireRequest silent = Parsed("c", kCryptSilent | kCryptMachineKeyset | kCryptNewKeyset);
  EXPECT_TRUE(silent.silent);
  EXPECT_EQ(silent.mode, AcquireMode::kCreate);

  for (const uint32_t flags : {0x18u, 0xF0000008u, 0xF0000010u, 0x80000000u, 0x1u, 0x4u, 0x80u,
                               0x100u, 0x0FFFFF87u, 0x10000000u}) {
    Parsed("c", flags, win::kNteBadFlags);
  }
}

TEST(AcquireRequest, AReaderPrefixIsSkippedAndOnlyAllowedAtTheStart) {
  EXPECT_EQ(Parsed("\\\\.\\ORV ZANTULDCCID 0\\box", 0).containerName, "box");
  EXPECT_EQ(Parsed("\\\\.\\any reader\\", 0).containerName, "");
  EXPECT_EQ(Parsed("\\\\.\\any reader", 0).containerName, "");
  EXPECT_EQ(Parsed("\\\\.\\r\\a\\b", 0).containerName, "a\\b");
  EXPECT_EQ(Parsed("plain\\name", 0).containerName, "plain\\name");
  Parsed("x\\\\.\\reader\\box", 0, win::kNteBadKeysetParam);

  const AcquireRequest none = Parsed(nullptr, 0);
  EXPECT_FALSE(none.containerGiven);
  EXPECT_TRUE(none.containerName.empty());
  EXPECT_TRUE(Parsed("", 0).containerGiven);
}

TEST(AcquireRequest, NamesUpTo512BytesAreAcceptedAndNoByteBeyondTheLimitIsRead) {
  const std::string longest(512, 'n');
  EXPECT_EQ(Parsed(longest.c_str(), 0).containerName, longest);
  const std::string tooLong(513, 'n');
  Parsed(tooLong.c_str(), 0, win::kNteBadKeysetParam);

  // 513 bytes without a terminator: the reader stops at the limit (ASan checks the bound).
  auto unterminated = std::make_unique<char[]>(513);
  std::fill_n(unterminated.get(), 513, 'u');
  Parsed(unterminated.get(), 0, win::kNteBadKeysetParam);
}

}  // namespace
}  // namespace kq::provider
