// The function table's ten functions against soft keys.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/provider_library.h"
#include "tool_scene.h"

namespace {

using kqtest::ToolTest;

void AppendBe32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<uint8_t>(value >> shift));
  }
}

void AppendAttribute(std::vector<uint8_t>& out, uint32_t type, const std::vector<uint8_t>& value) {
  AppendBe32(out, type);
  AppendBe32(out, static_cast<uint32_t>(value.size()));
  out.insert(out.end(), value.begin(), value.end());
}

// A container object as the store writes it, with no key pairs.
std::vector<uint8_t> ContainerObject(const std::string& name) {
  std::vector<uint8_t> object;
  AppendAttribute(object, 0x0, {0x80, 0x43, 0x54, 0x4E});
  AppendAttribute(object, 0x1, {1});
  AppendAttribute(object, 0x2, {0});
  AppendAttribute(object, 0x11, std::vector<uint8_t>(12, 0xFF));
  AppendAttribute(object, 0x170, {1});
  AppendAttribute(object, 0x804B5101, std::vector<uint8_t>(name.begin(), name.end()));
  return object;
}

class FunctionTable : public ToolTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(lib.FunctionList(&table), 0u);
    key = AddKey();
    other = AddKey();
    reader = scene.ReaderName(key);
    mediaId = scene.MediaId(key);
  }

  // Containers made on the first key through the provider's CRYPT_NEWKEYSET.
  void WriteContainers(const std::vector<std::string>& names) {
    std::vector<uint8_t> index(400, 0xFF);
    uint32_t fileId = 0x3001;
    size_t slot = 0;
    for (const std::string& name : names) {
      const std::vector<uint8_t> object = ContainerObject(name);
      scene.WriteKeyFile(key, fileId, object);
      std::vector<uint8_t> entry;
      AppendBe32(entry, 0x8043544E);
      AppendBe32(entry, static_cast<uint32_t>(object.size()));
      entry.push_back(static_cast<uint8_t>(fileId >> 8));
      entry.push_back(static_cast<uint8_t>(fileId));
      std::copy(entry.begin(), entry.end(), index.begin() + static_cast<ptrdiff_t>(10 * slot));
      ++slot;
      ++fileId;
    }
    scene.WriteKeyFile(key, 0xD001, index);
  }

  KqFunctionList table{};
  std::string key, other, reader, mediaId;
};

TEST_F(FunctionTable, ReadersAndIdentity) {
  uint32_t length = 0;
  ASSERT_EQ(table.EnumDevices(nullptr, &length), 0u);
  std::string names(length, 'x');
  ASSERT_EQ(table.EnumDevices(names.data(), &length), 0u);
  EXPECT_EQ(names.substr(0, reader.size() + 1), reader + '\0');

  scene.ClearCounters(key);
  length = 0;
  EXPECT_EQ(table.GetDeviceIdentity(reader.c_str(), nullptr, &length), 0u);
  EXPECT_EQ(length, 12u);
  EXPECT_EQ(scene.Calls(key, "ZANT_GetDevSer"), 0);
  uint8_t identity[16] = {};
  length = 11;
  EXPECT_EQ(table.GetDeviceIdentity(reader.c_str(), identity, &length), 4u);
  EXPECT_EQ(length, 12u);
  length = 12;
  ASSERT_EQ(table.GetDeviceIdentity(reader.c_str(), identity, &length), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(identity), 12), mediaId);
  EXPECT_EQ(table.GetDeviceIdentity("ORV ZANTULDCCID 9", identity, &length), 5u);
  ExpectAllClosed("the identity");
}

TEST_F(FunctionTable, UserDataIsWrittenWholeAndZeroFilled) {
  scene.ClearCounters(key);
  const uint8_t tooLong[33] = {};
  EXPECT_EQ(table.WriteUserData(reader.c_str(), mediaId.c_str(), tooLong, 33), 3u);
  EXPECT_EQ(scene.Calls(key, "ZANT_OpenDev"), 0);
  const uint8_t five[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(table.WriteUserData(reader.c_str(), mediaId.c_str(), five, 5), 0u);
  uint32_t length = 0;
  EXPECT_EQ(table.ReadUserData(reader.c_str(), mediaId.c_str(), nullptr, &length), 0u);
  EXPECT_EQ(length, 32u);
  uint8_t data[40];
  std::memset(data, 0xEE, sizeof data);
  length = 31;
  EXPECT_EQ(table.ReadUserData(reader.c_str(), mediaId.c_str(), data, &length), 4u);
  EXPECT_EQ(length, 32u);
  length = sizeof data;
  ASSERT_EQ(table.ReadUserData(reader.c_str(), mediaId.c_str(), data, &length), 0u);
  EXPECT_EQ(length, 32u);
  EXPECT_EQ(std::memcmp(data, five, 5), 0);
  for (size_t i = 5; i < 32; ++i) {
    EXPECT_EQ(data[i], 0) << i;
  }
  const auto file = scene.ReadKeyFile(key, 0xD003);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->size(), 32u);
  ExpectAllClosed("the user data");
}

TEST_F(FunctionTable, EveryEntryRefusesAnotherKeysMediaId) {
  const std::string wrong = scene.MediaId(other);
  const char* r = reader.c_str();
  const char* m = wrong.c_str();
  uint32_t length = 100;
  uint8_t buffer[100];
  const uint8_t data[1] = {1};
  uint8_t a = 0;
  uint8_t b = 0;
  uint32_t va = 0;
  uint32_t vb = 0;
  EXPECT_EQ(table.ReadUserData(r, m, buffer, &length), 7u);
  EXPECT_EQ(table.WriteUserData(r, m, data, 1), 7u);
  EXPECT_EQ(table.GetContainerNames(r, m, nullptr, &length), 7u);
  EXPECT_EQ(table.GetContainerCertificates(r, m, "a", nullptr, &length, nullptr, &length), 7u);
  EXPECT_EQ(table.GetPinInfo(r, m, &a, &b), 7u);
  EXPECT_EQ(table.GetDeviceInfo(r, m, &va, &vb), 7u);
  EXPECT_EQ(table.CleanPinStatus(r, m), 7u);
  EXPECT_EQ(table.SetDeviceLanguage(r, m, 2052), 7u);
  EXPECT_EQ(table.CleanPinStatus("ORV ZANTULDCCID 7", mediaId.c_str()), 5u);
  ExpectAllClosed("the wrong media ids");
}

TEST_F(FunctionTable, ContainerNames) {
  uint32_t length = 99;
  ASSERT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), nullptr, &length), 0u);
  EXPECT_EQ(length, 0u);  // no container
  WriteContainers({"a", "bc"});
  ASSERT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), nullptr, &length), 0u);
  EXPECT_EQ(length, 6u);
  char names[8];
  length = 5;
  EXPECT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), names, &length), 4u);
  EXPECT_EQ(length, 6u);
  length = sizeof names;
  ASSERT_EQ(table.GetContainerNames(reader.c_str(), mediaId.c_str(), names, &length), 0u);
  EXPECT_EQ(length, 6u);
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

  EXPECT_EQ(table.SetDeviceLanguage(reader.c_str(), mediaId.c_str(), 1028), 0u);
  EXPECT_EQ(scene.State(key).language, 1u);
  scene.ClearCounters(key);
  EXPECT_EQ(table.SetDeviceLanguage(reader.c_str(), mediaId.c_str(), 1041), 0u);
  EXPECT_EQ(scene.State(key).language, 1u);
  EXPECT_EQ(scene.Calls(key, "ZANT_SetLanguage"), 0);
  EXPECT_EQ(table.SetDeviceLanguage(reader.c_str(), mediaId.c_str(), 1033), 0u);
  EXPECT_EQ(scene.State(key).language, 2u);
  EXPECT_EQ(table.SetDeviceLanguage(reader.c_str(), mediaId.c_str(), 4100), 0u);
  EXPECT_EQ(scene.State(key).language, 0u);
  ExpectAllClosed("the PIN and language functions");
}

}  // namespace
