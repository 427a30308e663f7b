// Listing and opening soft keys, and what a key says about itself.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/codes_device.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

const SoftKeyLibrary& Zant() {
  return SoftKeyLibrary::Instance();
}

TEST(SoftKeyReaders, NoKeyGivesLengthZero) {
  SoftKeyScene scene;
  uint32_t length = 99;
  EXPECT_EQ(Zant().EnumDev(nullptr, &length, 0), dev::kOk);
  EXPECT_EQ(length, 0u);
  char buffer[64];
  length = sizeof buffer;
  EXPECT_EQ(Zant().EnumDev(buffer, &length, 0), dev::kOk);
  EXPECT_EQ(length, 0u);
  uint32_t count = 99;
  EXPECT_EQ(Zant().GetDevNum(&count), dev::kOk);
  EXPECT_EQ(count, 0u);
}

TEST(SoftKeyReaders, EnumerationFollowsTheSizeQueryProtocol) {
  SoftKeyScene scene;
  scene.AddKey();
  scene.AddKey({.family = "72"});
  const std::string expected =
      std::string("ORV ZANTULDCCID 0") + '\0' + "ORV ZANTULDCCID 1" + '\0' + '\0';
  uint32_t length = 0;
  ASSERT_EQ(Zant().EnumDev(nullptr, &length, 0), dev::kOk);
  EXPECT_EQ(length, expected.size());
  std::string buffer(expected.size(), 'x');
  uint32_t shortLength = length - 1;
  EXPECT_EQ(Zant().EnumDev(buffer.data(), &shortLength, 0), dev::kSwWrongLength);
  EXPECT_EQ(shortLength, expected.size());
  EXPECT_EQ(buffer, std::string(expected.size(), 'x')) << "a short buffer stays untouched";
  ASSERT_EQ(Zant().EnumDev(buffer.data(), &length, 0), dev::kOk);
  EXPECT_EQ(buffer, expected);
  EXPECT_EQ(Zant().EnumDev(nullptr, nullptr, 0), dev::kSwWrongData);
}

TEST(SoftKeyReaders, SerialAndIdentityShareTheMediaId) {
  SoftKeyScene scene;
  scene.AddKey({.serial = "7312345678AB"});
  SoftKeyHandle key("ORV ZANTULDCCID 0");
  ASSERT_EQ(key.openStatus(), dev::kOk);
  uint8_t serial[64] = {};
  uint32_t length = sizeof serial;
  ASSERT_EQ(Zant().GetDevSer(key.get(), serial, &length, 0), dev::kOk);
  ASSERT_EQ(length, 16u);
  uint8_t identity[16] = {};
  length = sizeof identity;
  ASSERT_EQ(Zant().GetDevSer(key.get(), identity, &length, 6), dev::kOk);
  ASSERT_EQ(length, 16u);
  EXPECT_EQ(std::memcmp(serial, "7312345678AB", 12), 0);
  EXPECT_EQ(std::memcmp(identity, serial, 12), 0);
  EXPECT_NE(std::memcmp(identity, serial, 16), 0);

  uint8_t leading[5] = {};
  length = sizeof leading;
  ASSERT_EQ(Zant().GetDevSer(key.get(), leading, &length, 6), dev::kOk);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(std::memcmp(leading, "73123", 5), 0);
  length = 0;
  EXPECT_EQ(Zant().GetDevSer(key.get(), nullptr, &length, 0), dev::kOk);
  EXPECT_EQ(length, 16u);
  EXPECT_EQ(Zant().GetDevSer(key.get(), serial, &length, 3), dev::kSwIncorrectP1P2);
}

TEST(SoftKeyReaders, DeviceInfoReportsSizesInNativeOrder) {
  SoftKeyScene scene;
  scene.AddKey({.maxFileSize = 4000, .capacity = 20000});
  SoftKeyHandle key("ORV ZANTULDCCID 0");
  ASSERT_EQ(key.openStatus(), dev::kOk);
  uint8_t info[20] = {};
  uint32_t length = sizeof info;
  ASSERT_EQ(Zant().GetDevInfo(key.get(), info, &length, 0), dev::kOk);
  uint16_t largest = 0;
  std::memcpy(&largest, info + 2, 2);
  EXPECT_EQ(largest, 4000);
  length = sizeof info;
  ASSERT_EQ(Zant().GetDevInfo(key.get(), info, &length, 2), dev::kOk);
  uint16_t capacity = 0;
  uint16_t available = 0;
  std::memcpy(&capacity, info + 2, 2);
  std::memcpy(&available, info + 10, 2);
  EXPECT_EQ(capacity, 20000);
  EXPECT_EQ(available, 20000 - 400 - 200 - 32);
  length = 19;
  EXPECT_EQ(Zant().GetDevInfo(key.get(), info, &length, 0), dev::kSwWrongLength);
  EXPECT_EQ(length, 20u);
}

}  // namespace
}  // namespace kq::test
