// The function table's ten functions against a soft key.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "store/containers.h"
#include "tool_library.h"

namespace {

using kqtest::ToolTest;

class FunctionTable : public ToolTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(lib.FunctionList(&table), 0u);
    key = AddKey();
    reader = scene.ReaderName(key);
    mediaId = scene.MediaId(key);
  }

  KqFunctionList table{};
  std::string key, reader, mediaId;
};

TEST_F(FunctionTable, ReadersIdentityAndUserData) {
  uint32_t length = 0;
  ASSERT_EQ(table.EnumDevices(nullptr, &length), 0u);
  std::string names(length, 'x');
  ASSERT_EQ(table.EnumDevices(names.data(), &length), 0u);
  EXPECT_EQ(names.substr(0, reader.size() + 1), reader + '\0');
  scene.ClearCounters(key);
  EXPECT_EQ(table.GetDeviceIdentity(reader.c_str(), nullptr, &length), 0u);
  EXPECT_EQ(scene.Calls(key, "ZANT_GetDevSer"), 0);  // the size is known without asking
  uint8_t identity[16] = {};
  length = 11;
  EXPECT_EQ(table.GetDeviceIdentity(reader.c_str(), identity, &length), 4u);
  EXPECT_EQ(length, 12u);
  ASSERT_EQ(table.GetDeviceIdentity(reader.c_str(), identity, &length), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(identity), 12), mediaId);

  // User data is written whole and zero-filled.
  const uint8_t five[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(table.WriteUserData(reader.c_str(), mediaId.c_str(), five, 5), 0u);
  std::vector<uint8_t> data(40, 0xEE);
  length = 31;
  EXPECT_EQ(table.ReadUserData(reader.c_str(), mediaId.c_str(), data.data(), &length), 4u);
  EXPECT_EQ(length, 32u);
  ASSERT_EQ(table.ReadUserData(reader.c_str(), mediaId.c_str(), data.data(), &length), 0u);
  data.resize(length);
  std::vector<uint8_t> expected(32, 0);
  std::copy(five, five + 5, expected.begin());
  EXPECT_EQ(data, expected);
  EXPECT_EQ(scene.ReadKeyFile(key, 0xD003), expected);
  ExpectAllClosed("the identity and the user data");
}

TEST_F(FunctionTable, ContainerNames) {
  uint32_t length = 99;
  ASSERT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), nullptr, &length), 0u);
  EXPECT_EQ(length, 0u);  // no container
  {
    // Made as the store makes them: through the provider, Windows would show the key chooser.
    kq::DeviceSession session;
    ASSERT_EQ(session.Open(reader), 0u);
    ASSERT_EQ(session.VerifyPIN("12345678", 8), 0u);
    ASSERT_EQ(kq::store::CreateContainer(session, "a"), 0u);
    ASSERT_EQ(kq::store::CreateContainer(session, "bc"), 0u);
  }
  ASSERT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), nullptr, &length), 0u);
  EXPECT_EQ(length, 6u);
  char names[8];
  length = 5;
  EXPECT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), names, &length), 4u);
  EXPECT_EQ(length, 6u);
  length = sizeof names;
  ASSERT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), names, &length), 0u);
  EXPECT_EQ(std::string(names, 6), std::string("a\0bc\0\0", 6));
  // A container without certificates leaves both lengths alone.
  uint32_t signatureLength = 77;
  uint32_t exchangeLength = 88;
  EXPECT_EQ(table.GetContainerCertificates(reader.c_str(), mediaId.c_str(), "bc", nullptr,
                                           &signatureLength, nullptr, &exchangeLength),
            0u);
  EXPECT_EQ(signatureLength, 77u);
  EXPECT_EQ(exchangeLength, 88u);
  EXPECT_EQ(table.GetContainerCertificates(reader.c_str(), mediaId.c_str(), "b", nullptr,
                                           &signatureLength, nullptr, &exchangeLength),
            6u);
  ExpectAllClosed("the container names");
}

TEST_F(FunctionTable, PinDeviceInformationAndLanguage) {
  scene.SetPinState(key, 3, true);
  uint8_t a = 0xEE;
  uint8_t b = 0xEE;
  ASSERT_EQ(table.GetPinInfo(reader.c_str(), mediaId.c_str(), &a, &b), 0u);
  EXPECT_EQ(a, 3u);  // tries left
  EXPECT_EQ(b, scene.State(key).triesMax);
  uint32_t va = 0xEEEE;
  uint32_t vb = 0xEEEE;
  ASSERT_EQ(table.GetDeviceInfo(reader.c_str(), mediaId.c_str(), &va, &vb), 0u);
  EXPECT_EQ(vb, scene.State(key).capacity);
  EXPECT_LT(va, vb);  // free bytes: the label file takes some
  EXPECT_EQ(table.CleanPinStatus(reader.c_str(), mediaId.c_str()), 0u);
  EXPECT_FALSE(scene.State(key).pinVerified);

  // Languages the key does not know leave its setting alone, without a call.
  for (const auto& [language, setting, calls] :
       {std::tuple{1028u, 1u, 1}, {1041u, 1u, 0}, {1033u, 2u, 1}, {4100u, 0u, 1}}) {
    scene.ClearCounters(key);
    EXPECT_EQ(table.SetDeviceLanguage(reader.c_str(), mediaId.c_str(), language), 0u);
    EXPECT_EQ(scene.State(key).language, setting) << language;
    EXPECT_EQ(scene.Calls(key, "ZANT_SetLanguage"), calls) << language;
  }
  ExpectAllClosed("the PIN and language functions");
}

}  // namespace
