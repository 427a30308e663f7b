// Listing and opening soft keys, what a key says about itself, and handles misused.

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

TEST(SoftKeyReaders, ListingSerialIdentityAndSizes) {
  SoftKeyScene scene;
  char buffer[64];
  uint32_t length = sizeof buffer;
  EXPECT_EQ(Zant().EnumDev(buffer, &length, 0), dev::kOk);
  EXPECT_EQ(length, 0u) << "no key";
  uint32_t count = 99;
  EXPECT_EQ(Zant().GetDevNum(&count), dev::kOk);
  EXPECT_EQ(count, 0u);

  scene.AddKey({.serial = "7312345678AB", .maxFileSize = 4000, .capacity = 20000});
  scene.AddKey({.family = "72"});
  const std::string expected =
      std::string("ORV ZANTULDCCID 0") + '\0' + "ORV ZANTULDCCID 1" + '\0' + '\0';
  ASSERT_EQ(Zant().EnumDev(nullptr, &length, 0), dev::kOk);
  EXPECT_EQ(length, expected.size());
  std::string names(expected.size(), 'x');
  uint32_t shortLength = length - 1;
  EXPECT_EQ(Zant().EnumDev(names.data(), &shortLength, 0), dev::kSwWrongLength);
  EXPECT_EQ(shortLength, expected.size());
  EXPECT_EQ(names, std::string(expected.size(), 'x')) << "a short buffer stays untouched";
  ASSERT_EQ(Zant().EnumDev(names.data(), &length, 0), dev::kOk);
  EXPECT_EQ(names, expected);

  // The identity's first 12 bytes are the serial's; a short buffer receives the leading bytes.
  SoftKeyHandle key("ORV ZANTULDCCID 0");
  ASSERT_EQ(key.openStatus(), dev::kOk);
  uint8_t serial[64] = {};
  uint8_t identity[16] = {};
  length = sizeof serial;
  ASSERT_EQ(Zant().GetDevSer(key.get(), serial, &length, 0), dev::kOk);
  EXPECT_EQ(length, 16u);
  length = sizeof identity;
  ASSERT_EQ(Zant().GetDevSer(key.get(), identity, &length, 6), dev::kOk);
  EXPECT_EQ(std::memcmp(serial, "7312345678AB", 12), 0);
  EXPECT_EQ(std::memcmp(identity, serial, 12), 0);
  EXPECT_NE(std::memcmp(identity, serial, 16), 0);
  length = 5;
  ASSERT_EQ(Zant().GetDevSer(key.get(), identity, &length, 6), dev::kOk);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(Zant().GetDevSer(key.get(), serial, &length, 3), dev::kSwIncorrectP1P2);

  // Sizes in the native byte order: the largest file, then the capacity and what is free of it.
  uint8_t info[20] = {};
  uint16_t sizes[3] = {};
  length = sizeof info;
  ASSERT_EQ(Zant().GetDevInfo(key.get(), info, &length, 0), dev::kOk);
  std::memcpy(&sizes[0], info + 2, 2);
  length = sizeof info;
  ASSERT_EQ(Zant().GetDevInfo(key.get(), info, &length, 2), dev::kOk);
  std::memcpy(&sizes[1], info + 2, 2);
  std::memcpy(&sizes[2], info + 10, 2);
  EXPECT_EQ(sizes[0], 4000);
  EXPECT_EQ(sizes[1], 20000);
  EXPECT_EQ(sizes[2], 20000 - 400 - 200 - 32);
}

TEST(SoftKeyReaders, MisusedHandlesAndNullOutputsAreRefused) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.keyPairs = {{1, 0, "rsa1024-a"}}});
  ZANT_HANDLE closed = nullptr;
  ASSERT_EQ(Zant().OpenDev(&closed, scene.ReaderName(name).c_str(), 0), dev::kOk);
  ASSERT_EQ(Zant().CloseDev(closed, 0), dev::kOk);
  EXPECT_EQ(Zant().CloseDev(closed, 0), dev::kSwInvalidHandle) << "closed twice";
  uint8_t buffer[64] = {};
  uint32_t length = sizeof buffer;
  uint32_t count = 0;
  for (ZANT_HANDLE bad :
       {closed, static_cast<ZANT_HANDLE>(nullptr), reinterpret_cast<ZANT_HANDLE>(&scene)}) {
    EXPECT_EQ(Zant().GetDevSer(bad, buffer, &length, 0), dev::kSwInvalidHandle);
    EXPECT_EQ(Zant().VerifyPIN(bad, "12345678", 8), dev::kSwInvalidHandle);
    EXPECT_EQ(Zant().ReadFile(bad, 0xD001, 0, 10, buffer, &count, 0), dev::kSwInvalidHandle);
    EXPECT_EQ(Zant().GetDevState(bad, buffer, &length, 4), dev::kSwInvalidHandle);
  }
  EXPECT_EQ(scene.RootCounters().at("invalid_handle"), 13);

  SoftKeyHandle key(scene.ReaderName(name));
  EXPECT_EQ(Zant().EnumDev(nullptr, nullptr, 0), dev::kSwWrongData);
  EXPECT_EQ(Zant().GetDevSer(key.get(), buffer, nullptr, 0), dev::kSwWrongData);
  EXPECT_EQ(Zant().ReadFile(key.get(), 0xD001, 0, 4, nullptr, nullptr, 0), dev::kSwWrongData);
  EXPECT_EQ(Zant().GetKeyInfo(key.get(), 1, nullptr, nullptr), dev::kSwWrongData);
  EXPECT_EQ(Zant().VerifyPIN(key.get(), nullptr, 8), dev::kSwWrongData);
  EXPECT_EQ(Zant().CreateFile(key.get(), nullptr, 4, 0), dev::kSwWrongData);
  EXPECT_EQ(Zant().GetRandom(key.get(), nullptr, 4), dev::kSwWrongData);
  EXPECT_EQ(Zant().GetRandom(key.get(), buffer, sizeof buffer), dev::kOk);
}

}  // namespace
}  // namespace kq::test
